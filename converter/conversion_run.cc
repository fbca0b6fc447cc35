#include "converter/conversion_run.h"

#include <memory>

#include "cardfile/fichier.h"
#include "converter/overwrite.h"
#include "converter/switches.h"
#include "converter/target_stage.h"
#include "runtime/console.h"
#include "runtime/io_error.h"
#include "runtime/system.h"

namespace orn2ansi {
namespace {

constexpr int kExitOk = 0;

void WriteUsage() {
  rt::WriteLine("--- ORN2ANSI --- Utility for ORNAVEL (version 3.3)");
  rt::WriteLine("Translates an ORNAVEL file from OEM to ANSI character set.");
  rt::WriteLine("");
  rt::WriteLine("Syntax : \"Orn2Ansi <source_file> /v <target_file> [/y]\"");
  rt::WriteLine(" parameter \"/y\" : doesn't confirm overwriting file");
}

}  // namespace

int RunConversion() {
  if (rt::ParamCount() < 3 || rt::ParamStr(2) != "/v") {
    WriteUsage();
    return kExitOk;
  }
  if (!MayOverwriteTarget()) return kExitOk;

  std::unique_ptr<cardfile::TFichier> source = cardfile::TFichier::Open(rt::ParamStr(1), 0);
  if (!source->IsOpen()) {
    rt::WriteLine("Could not open source file !");
    return kExitOk;
  }
  cardfile::TInfoBlock info;
  source->GetInfo(info);
  if (info.Word(cardfile::TInfoBlock::Signature) == cardfile::AnsiSignature) {
    rt::WriteLine("The source file is already in ANSI format !");
    return kExitOk;
  }
  CopyToTarget(*source);
  return kExitOk;
}

int Main() {
  ScanSwitches();
  return RunConversion();
}

}  // namespace orn2ansi
