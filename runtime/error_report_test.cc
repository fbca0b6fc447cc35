#include <gtest/gtest.h>

#include <string>

#include "runtime/exceptions.h"
#include "runtime/program.h"

namespace {

std::string Report(const rt::Exception& e, const char* module) {
  char out[256];
  size_t size = rt::FormatErrorReport(e, module, out, sizeof out);
  return std::string(out, size);
}

TEST(ErrorReport, InOutErrorMessagesByCode) {
  const struct {
    uint32_t code;
    const char* message;
  } cases[] = {
      {2, "Fichier introuvable"},
      {3, "Nom de fichier incorrect"},
      {4, "Trop de fichiers ouverts"},
      {5, "Acc\xE8s au fichier refus\xE9"},
      {100, "Lecture au del\xE0 de la fin de fichier"},
      {101, "Disque plein"},
      {106, "Saisie num\xE9rique incorrecte"},
      {32, "Erreur E/S 32"},
      {103, "Erreur E/S 103"},
      {112, "Erreur E/S 112"},
      {0, "Erreur E/S 0"},
  };
  for (const auto& c : cases) {
    rt::EInOutError e(c.code, 0);
    EXPECT_STREQ(e.Message(), c.message) << c.code;
    EXPECT_STREQ(e.ClassName(), "EInOutError");
    EXPECT_EQ(e.ErrorCode(), c.code);
  }
}

TEST(ErrorReport, TwoLinesInWindows1252) {
  EXPECT_EQ(Report(rt::EInOutError(100, 0x1A2B), "orn2ansi"),
            "Exception EInOutError dans le module orn2ansi \xE0 00001A2B.\n"
            "Lecture au del\xE0 de la fin de fichier.\r\n");
  EXPECT_EQ(Report(rt::EOutOfMemory(0xABCDEF01), "orn2ansi"),
            "Exception EOutOfMemory dans le module orn2ansi \xE0 ABCDEF01.\n"
            "Plus de m\xE9moire.\r\n");
}

TEST(ErrorReport, FullStopOnlyWhenMissing) {
  EXPECT_EQ(Report(rt::Exception("Exception", "Done.", 0), "m"),
            "Exception Exception dans le module m \xE0 00000000.\nDone.\r\n");
  EXPECT_EQ(Report(rt::Exception("Exception", "", 0), "m"),
            "Exception Exception dans le module m \xE0 00000000.\n\r\n");
}

TEST(ErrorReport, ModuleNameCutTo63Characters) {
  std::string long_name(80, 'n');
  std::string report = Report(rt::EInOutError(2, 0), long_name.c_str());
  EXPECT_NE(report.find("module " + std::string(63, 'n') + " \xE0"), std::string::npos);
}

}  // namespace
