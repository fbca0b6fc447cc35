#include "converter/target_stage.h"

#include <algorithm>
#include <cstdint>

#include "runtime/codepage.h"
#include "runtime/console.h"
#include "runtime/exceptions.h"
#include "runtime/io_error.h"
#include "runtime/system.h"

namespace orn2ansi {

using cardfile::TFichier;
using cardfile::TInfoBlock;
using cardfile::TRecordFrame;
using cardfile::TShortString;

namespace {

// Live for the whole process: the one record buffer of the copy.
TRecordFrame Frame;
TShortString TargetTitle;
TInfoBlock TargetInfo;
int32_t CardCount;

// Raised when the source's list runs longer than the file has records: its
// PrevCard chain comes back to a card already copied.
class ECardListError : public rt::Exception {
 public:
  explicit ECardListError(uint32_t location)
      : Exception("ECardListError",
                  "Liste de fiches boucl\xE9"
                  "e",
                  location) {}
};

[[gnu::noinline]] [[noreturn]] void RaiseCardListError() {
  throw ECardListError(rt::CodeLocation(__builtin_return_address(0)));
}

}  // namespace

void OemToAnsiStr(uint8_t* text) {
  char* characters = reinterpret_cast<char*>(text + 1);
  rt::OemToCharBuffA(characters, characters, std::min(text[0], cardfile::SlotTextMax));
}

void CopyToTarget(TFichier& source) {
  source.GetTitle(TargetTitle);
  OemToAnsiStr(TargetTitle.data());
  source.GetInfo(TargetInfo);
  TargetInfo.SetWord(TInfoBlock::Signature, cardfile::AnsiSignature);
  TargetInfo.SetWord(TInfoBlock::CodePage, static_cast<uint16_t>(rt::GetACP()));

  std::unique_ptr<TFichier> target = TFichier::CreateNew(rt::ParamStr(3), TargetTitle, TargetInfo);
  if (!target->IsOpen()) {
    rt::WriteLine("Could not open target file !");
    return;
  }

  CardCount = 0;
  source.ReadRecord(0, Frame);
  // A consistent list has fewer cards than the file has records besides the
  // header, so the walk copies at most records - 1 cards: one more can only
  // come from a PrevCard chain going round a cycle. The cards copied by then
  // stay in the target, a valid card file.
  uint64_t records = source.RecordCount();
  while (Frame.Link(cardfile::PrevCard) != 0) {
    source.ReadRecord(Frame.Link(cardfile::PrevCard), Frame);
    if (static_cast<uint64_t>(CardCount) + 1 >= records || CardCount == INT32_MAX) {
      RaiseCardListError();
    }
    for (int i = source.FirstSlot(); i <= cardfile::FrameSlots; ++i) OemToAnsiStr(Frame.Slot(i));
    target->AddRecord(0, Frame);
    ++CardCount;
  }

  rt::WriteInt(CardCount);
  rt::Write(" cards copied to \"");
  rt::Write(target->FileName());
  rt::Write("\".");
  rt::WriteLn();
  rt::CheckIoResult();
}

}  // namespace orn2ansi
