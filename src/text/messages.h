#pragma once
// The messages the user reads that more than one place raises, each spelled
// once: the readers, the data layer and the import all name a bad integer or
// a missing field in the same words.
#include <string>
#include <string_view>

namespace tabrin {

// A write to an output file fell short (the disk is full, the file system
// failed).
inline constexpr char kWriteErrorMessage[] = "Error writing output file";

// "'<name>' is damaged and cannot be read: <reason>", for a workbook whose
// bytes are not what its format says.
std::string DamagedFileMessage(std::string_view name, std::string_view reason);

// "'<text>' is not a valid integer value".
std::string NotAnIntegerMessage(std::string_view text);

// "Field '<name>' not found".
std::string FieldNotFoundMessage(std::string_view name);

}  // namespace tabrin
