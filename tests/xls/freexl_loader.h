#pragma once
// FreeXL, the packaged xls reader, loaded at run time as an independent
// cross-check of our reader (tests) and as the yardstick of its speed
// (benchmark).  Loading it at run time keeps it out of the product's link.
#include <dlfcn.h>

#include <string>

namespace tabrin::test {

struct FreeXlCell {
  unsigned char type;
  union {
    int intValue;
    double doubleValue;
    const char* textValue;
  } value;
};

// Cell types as FreeXL reports them.
enum : unsigned char {
  kFreeXlNull = 101,
  kFreeXlInt = 102,
  kFreeXlDouble = 103,
  kFreeXlText = 104,
  kFreeXlSstText = 105,
  kFreeXlDate = 106,
  kFreeXlDateTime = 107,
  kFreeXlTime = 108,
};

class TFreeXl {
 public:
  TFreeXl() {
    library_ = dlopen("libfreexl.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) return;
    open_ = reinterpret_cast<decltype(open_)>(dlsym(library_, "freexl_open"));
    close_ = reinterpret_cast<decltype(close_)>(dlsym(library_, "freexl_close"));
    select_ = reinterpret_cast<decltype(select_)>(dlsym(library_, "freexl_select_active_worksheet"));
    dimensions_ = reinterpret_cast<decltype(dimensions_)>(dlsym(library_, "freexl_worksheet_dimensions"));
    cell_ = reinterpret_cast<decltype(cell_)>(dlsym(library_, "freexl_get_cell_value"));
  }
  ~TFreeXl() {
    if (handle_ != nullptr) close_(handle_);
    if (library_ != nullptr) dlclose(library_);
  }
  TFreeXl(const TFreeXl&) = delete;
  TFreeXl& operator=(const TFreeXl&) = delete;

  bool Available() const { return open_ && close_ && select_ && dimensions_ && cell_; }

  bool Open(const std::string& path, unsigned short sheet) {
    if (handle_ != nullptr) close_(handle_), handle_ = nullptr;
    if (open_(path.c_str(), &handle_) != 0) return false;
    return select_(handle_, sheet) == 0 && dimensions_(handle_, &rows_, &columns_) == 0;
  }
  unsigned Rows() const { return rows_; }
  unsigned short Columns() const { return columns_; }
  FreeXlCell Cell(unsigned row, unsigned short column) const {
    FreeXlCell cell{};
    if (cell_(handle_, row, column, &cell) != 0) cell.type = kFreeXlNull;
    return cell;
  }

 private:
  void* library_ = nullptr;
  const void* handle_ = nullptr;
  unsigned rows_ = 0;
  unsigned short columns_ = 0;
  int (*open_)(const char*, const void**) = nullptr;
  int (*close_)(const void*) = nullptr;
  int (*select_)(const void*, unsigned short) = nullptr;
  int (*dimensions_)(const void*, unsigned*, unsigned short*) = nullptr;
  int (*cell_)(const void*, unsigned, unsigned short, FreeXlCell*) = nullptr;
};

}  // namespace tabrin::test
