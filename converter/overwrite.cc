#include "converter/overwrite.h"

#include "converter/switches.h"
#include "runtime/console.h"
#include "runtime/io_error.h"
#include "runtime/system.h"

namespace orn2ansi {

bool AskYesNo(std::string_view question) {
  for (;;) {
    rt::Write(question);
    rt::Flush();
    rt::CheckIoResult();
    char answer = rt::ReadChar();
    // Taken before the rest of the line is read: a wrong answer on the last,
    // unended line is still answered with the question.
    const bool ended = rt::InputEnded();
    rt::ReadLn();
    rt::CheckIoResult();
    answer = UpCase(answer);
    if (answer == 'Y') return true;
    if (answer == 'N') return false;
    // Once the input has ended no answer can come: asking again would never
    // stop, so the end of the input means no.
    if (ended) return false;
  }
}

bool MayOverwriteTarget() {
  if (!rt::FileExists(rt::ParamStr(3))) return true;
  if (HasSwitch('y')) return true;
  return AskYesNo("Target file already exists.  Overwrite it ?");
}

}  // namespace orn2ansi
