// What the program writes on standard output, for exact comparisons.
#pragma once

#include <string>

#include "testing/run_program.h"

namespace testing_support {

inline const std::string kUsage =
    "--- ORN2ANSI --- Utility for ORNAVEL (version 3.3)\r\n"
    "Translates an ORNAVEL file from OEM to ANSI character set.\r\n"
    "\r\n"
    "Syntax : \"Orn2Ansi <source_file> /v <target_file> [/y]\"\r\n"
    " parameter \"/y\" : doesn't confirm overwriting file\r\n";

inline const std::string kNoSource = "Could not open source file !\r\n";
inline const std::string kAnsiSource = "The source file is already in ANSI format !\r\n";
inline const std::string kNoTarget = "Could not open target file !\r\n";
inline const std::string kQuestion = "Target file already exists.  Overwrite it ?";

inline std::string Summary(int cards, const std::string& target) {
  return std::to_string(cards) + " cards copied to \"" + target + "\".\r\n";
}

// The error report of an exception, its location given as XXXXXXXX; the
// module is the file name of the binary under test.
inline std::string Report(const std::string& class_name, const std::string& message) {
  return "Exception " + class_name + " dans le module " + ProgramFileName() + " \xE0 XXXXXXXX.\n" +
         message + ".\r\n";
}
inline std::string ReadPastEnd() {
  return Report("EInOutError", "Lecture au del\xE0 de la fin de fichier");
}

// Output with the location digits of an error report replaced by X, so that
// it compares with Report().
inline std::string MaskLocation(std::string out) {
  size_t at = out.find(" \xE0 ");
  if (at != std::string::npos && at + 11 <= out.size()) out.replace(at + 3, 8, "XXXXXXXX");
  return out;
}

}  // namespace testing_support
