#include "cardfile/fichier.h"

#include <algorithm>

#include "runtime/io_error.h"
#include "runtime/system.h"

namespace cardfile {
namespace {

// Copies a length byte and as many bytes as it gives, at most 60, into a
// zeroed slot.
void StoreSlot(uint8_t* slot, const uint8_t* text) {
  uint8_t length = std::min(text[0], SlotTextMax);
  slot[0] = length;
  std::copy(text + 1, text + 1 + length, slot + 1);
}

}  // namespace

char ProbeCardFile(const std::string& file_name, TInfoBlock& info) {
  if (file_name.empty()) return ProbeNotCardFile;
  if (!rt::FileExists(file_name)) return ProbeMissing;
  rt::SetFileMode(0);
  rt::RecordFile file;
  if (!file.Open(file_name, ProbeSize)) {
    rt::TakeIoResult();
    return ProbeCannotOpen;
  }
  char status = ProbeNotCardFile;
  uint8_t first[ProbeSize];
  file.Read(first);
  if (rt::TakeIoResult() == 0) {
    std::copy(first + InfoOffset, first + ProbeSize, info.bytes.begin());
    uint16_t signature = info.Word(TInfoBlock::Signature);
    if ((signature == OemSignature || signature == AnsiSignature) &&
        info[TInfoBlock::Version] <= MaxVersion) {
      if (info[TInfoBlock::InfoLength] < CurrentInfoLength) UpgradeInfo(info);
      status = static_cast<char>(info[TInfoBlock::FileKind]);
    }
  }
  file.Close();
  rt::CheckIoResult();
  return status;
}

TFichier::TFichier(std::string file_name) : file_name_(std::move(file_name)) {}

TFichier::~TFichier() {
  if (is_open_) {
    file_var_.Close();
    if (rt::TakeIoResult() == 0) is_open_ = false;
  }
}

void TFichier::SetGeometry(uint8_t first_group_slots, uint8_t second_group_slots) {
  first_group_slots_ = first_group_slots;
  second_group_slots_ = second_group_slots;
  slots_per_record_ = static_cast<uint8_t>(first_group_slots + second_group_slots);
  record_size_ = static_cast<uint16_t>(SlotSize * slots_per_record_ + LinkBlockSize);
  first_slot_ = static_cast<uint8_t>(FrameSlots + 1 - slots_per_record_);
  info_slot_ = static_cast<uint8_t>(FrameSlots + 2 - slots_per_record_);
}

std::unique_ptr<TFichier> TFichier::Open(const std::string& file_name, uint8_t mode) {
  std::unique_ptr<TFichier> handle(new TFichier(file_name));
  TInfoBlock info;
  char status = ProbeCardFile(file_name, info);
  if (status < 'A' || status > 'Z') return handle;
  // A record of another number of slots does not fit the frame.
  uint8_t a = info[TInfoBlock::FirstGroupSlots];
  uint8_t b = info[TInfoBlock::SecondGroupSlots];
  if (!GeometryFitsFrame(a, b)) return handle;
  handle->SetGeometry(a, b);
  handle->open_mode_ = mode;
  rt::SetFileMode(mode);
  handle->is_open_ = handle->file_var_.Open(file_name, handle->record_size_);
  rt::TakeIoResult();
  if (!handle->is_open_) return handle;
  handle->ReadRecord(0, handle->header_frame_);
  if (info[TInfoBlock::InfoLength] >= CurrentInfoLength) return handle;
  // Complete the stored short block; bytes 57 to 60 keep what was read.
  info[TInfoBlock::InfoLength] = CurrentInfoLength;
  std::copy(info.bytes.begin(), info.bytes.begin() + CurrentInfoLength + 1,
            handle->header_frame_.Slot(handle->info_slot_));
  if (mode >= 2) handle->WriteRecord(0, handle->header_frame_);
  return handle;
}

std::unique_ptr<TFichier> TFichier::CreateNew(const std::string& file_name,
                                              const TShortString& title, TInfoBlock info) {
  std::unique_ptr<TFichier> handle(new TFichier(file_name));
  if (info[TInfoBlock::InfoLength] < CurrentInfoLength) {
    UpgradeInfo(info);
    info[TInfoBlock::InfoLength] = CurrentInfoLength;
  }
  handle->SetGeometry(info[TInfoBlock::FirstGroupSlots], info[TInfoBlock::SecondGroupSlots]);
  handle->open_mode_ = 2;
  // A geometry that does not fit the frame is refused before the file is
  // touched.
  if (!GeometryFitsFrame(handle->first_group_slots_, handle->second_group_slots_)) return handle;
  handle->is_open_ = handle->file_var_.Create(file_name, handle->record_size_);
  rt::TakeIoResult();
  if (!handle->is_open_) return handle;
  TRecordFrame& header = handle->header_frame_;
  header = TRecordFrame{};
  StoreSlot(header.Slot(handle->first_slot_), title.data());
  StoreSlot(header.Slot(handle->info_slot_), info.bytes.data());
  handle->WriteRecord(0, header);
  return handle;
}

void TFichier::GetTitle(TShortString& title) const {
  title.fill(0);
  StoreSlot(title.data(), header_frame_.Slot(first_slot_));
}

void TFichier::GetInfo(TInfoBlock& info) const {
  const uint8_t* slot = header_frame_.Slot(info_slot_);
  std::copy(slot, slot + SlotSize, info.bytes.begin());
}

void TFichier::ReadRecord(uint32_t n, TRecordFrame& frame) {
  file_var_.Seek(n);
  rt::CheckIoResult();
  file_var_.Read(frame.Slot(first_slot_));
  rt::CheckIoResult();
}

uint64_t TFichier::RecordCount() {
  uint64_t count = file_var_.RecordCount();
  rt::CheckIoResult();
  return count;
}

void TFichier::WriteRecord(uint32_t n, TRecordFrame& frame) {
  for (int i = first_slot_; i <= FrameSlots; ++i) {
    uint8_t* slot = frame.Slot(i);
    if (slot[0] < SlotTextMax) std::fill(slot + 1 + slot[0], slot + SlotSize, 0);
  }
  file_var_.Seek(n);
  rt::CheckIoResult();
  file_var_.Write(frame.Slot(first_slot_));
  rt::CheckIoResult();
}

void TFichier::AddRecord(uint32_t after, TRecordFrame frame) {
  TRecordFrame& a = frame;  // the operation's own copy
  TRecordFrame& header = header_frame_;
  uint32_t n;
  if (header.Link(FreeHead) != 0) {
    TRecordFrame free_record;
    n = header.Link(FreeHead);
    ReadRecord(n, free_record);
    header.SetLink(FreeHead, free_record.Link(NextFree));
  } else {
    n = static_cast<uint32_t>(RecordCount());
  }
  // The neighbours that will point at the new card: After (b) and the card
  // after it (c), or the old first card (c).
  TRecordFrame b, c;
  uint32_t b_record = 0, c_record = 0;
  bool writes_b = false, writes_c = false;
  if (header.Link(LastCard) == 0) {
    a.SetLink(PrevCard, 0);
    a.SetLink(NextCard, 0);
    header.SetLink(LastCard, n);
    header.SetLink(FirstCard, n);
  } else if (after == 0) {
    c_record = header.Link(FirstCard);
    ReadRecord(c_record, c);
    c.SetLink(PrevCard, n);
    a.SetLink(PrevCard, 0);
    a.SetLink(NextCard, c_record);
    header.SetLink(FirstCard, n);
    writes_c = true;
  } else {
    b_record = after;
    ReadRecord(b_record, b);
    uint32_t m = b.Link(NextCard);
    if (m == 0) {
      b.SetLink(NextCard, n);
      a.SetLink(PrevCard, after);
      header.SetLink(LastCard, n);
      a.SetLink(NextCard, 0);
    } else {
      c_record = m;
      ReadRecord(c_record, c);
      a.SetLink(PrevCard, after);
      c.SetLink(PrevCard, n);
      a.SetLink(NextCard, m);
      b.SetLink(NextCard, n);
      writes_c = true;
    }
    writes_b = true;
  }
  a.SetLink(SelfIndex, n);
  a.SetLink(NextFree, 0);
  // The new card is written before any record that points at it, and the
  // header last: when its write fails, most often because it appends to a
  // full disk or past a file-size limit, no link leads to it and the list
  // on disk is the one before the call.
  WriteRecord(n, a);
  if (writes_c) WriteRecord(c_record, c);
  if (writes_b) WriteRecord(b_record, b);
  WriteRecord(0, header);
}

}  // namespace cardfile
