#pragma once
// What an import does with a sheet row whose code the table already holds
// (the cover setting, cover_setting.h).
namespace tabrin {

enum class TCoverMode {
  cmOverwrite,  // the row's values replace the record's ("是")
  cmKeep,       // the record stays as it is ("否")
};

}  // namespace tabrin
