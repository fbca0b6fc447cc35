// A libFuzzer target: arbitrary bytes as the source card file.
//
// Each input goes through the program's own sequence (the switch scan, the
// source opened in mode 0, the ANSI test, the target created and every card
// copied) into a scratch target, which is then read back through TFichier.
// Besides the sanitizers' checks, the target must be exactly the file that
// the source's bytes call for, a valid card file, and the source unchanged.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cardfile/fichier.h"
#include "cardfile/format.h"
#include "converter/conversion_run.h"
#include "runtime/codepage.h"
#include "runtime/exceptions.h"
#include "runtime/io_error.h"
#include "runtime/system.h"
#include "testing/card_fixture.h"
#include "testing/temp_dir.h"

namespace {

using cardfile::InfoTemplate;
using cardfile::SlotSize;
using cardfile::TInfoBlock;

std::string source_name;
std::string target_name;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "card_copy_fuzzer: %s\n", what.c_str());
  std::abort();
}

uint8_t Byte(const std::string& image, uint64_t at) {
  return at < image.size() ? static_cast<uint8_t>(image[at]) : 0;
}

uint32_t Word(const std::string& image, uint64_t at) {
  return static_cast<uint32_t>(Byte(image, at)) | static_cast<uint32_t>(Byte(image, at + 1)) << 8 |
         static_cast<uint32_t>(Byte(image, at + 2)) << 16 |
         static_cast<uint32_t>(Byte(image, at + 3)) << 24;
}

void PutWord(std::string& image, uint64_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
}

// A slot as the copy writes it: at most 60 characters translated, the bytes
// after a shorter text cleared, a damaged length byte kept.
std::string CopiedSlot(const std::string& slot) {
  std::string out = slot;
  auto length = static_cast<uint8_t>(slot[0]);
  uint32_t translated = std::min<uint32_t>(length, cardfile::SlotTextMax);
  rt::OemToCharBuffA(&out[1], &out[1], translated);
  for (size_t k = size_t{length} + 1; k < SlotSize; ++k) out[k] = 0;
  return out;
}

// What one run must leave, worked out from the source's bytes alone.
struct Expectation {
  bool target_made = false;  // the source opened, OEM, and the target created
  bool raises = false;       // the run ends in an error report
  std::string target;        // the whole target file, when made
};

Expectation Expect(const std::string& source) {
  Expectation e;
  if (source.size() < cardfile::ProbeSize) return e;
  // The probe looks at the stored bytes; the rest uses the completed block.
  TInfoBlock info;
  std::copy(source.begin() + 61, source.begin() + 122, info.bytes.begin());
  uint16_t signature = info.Word(TInfoBlock::Signature);
  if (signature != cardfile::OemSignature && signature != cardfile::AnsiSignature) return e;
  if (info[TInfoBlock::Version] > cardfile::MaxVersion) return e;
  const uint8_t stored_length = info[TInfoBlock::InfoLength];
  if (stored_length < cardfile::CurrentInfoLength) {
    for (size_t k = size_t{stored_length} + 1; k <= cardfile::CurrentInfoLength; ++k) {
      info[k] = InfoTemplate[k];
    }
    info[TInfoBlock::InfoLength] = cardfile::CurrentInfoLength;
  }
  if (info[TInfoBlock::FileKind] < 'A' || info[TInfoBlock::FileKind] > 'Z') return e;
  if (!cardfile::GeometryFitsFrame(info[TInfoBlock::FirstGroupSlots],
                                   info[TInfoBlock::SecondGroupSlots])) {
    return e;
  }
  const int slots = info[TInfoBlock::FirstGroupSlots] + info[TInfoBlock::SecondGroupSlots];
  const uint64_t size = SlotSize * static_cast<uint64_t>(slots) + cardfile::LinkBlockSize;
  if (source.size() < size) {
    e.raises = true;  // the header read comes short
    return e;
  }
  if (info.Word(TInfoBlock::Signature) == cardfile::AnsiSignature) return e;
  e.target_made = true;

  // The walk from LastCard through PrevCard, bounded by the record count.
  const uint64_t records = source.size() / size;
  auto link = [&](uint64_t record, int word) {
    return Word(source, record * size + size - 16 + 4 * static_cast<uint64_t>(word));
  };
  std::vector<uint32_t> walk;
  for (uint32_t n = link(0, cardfile::LastCard); n != 0; n = link(n, cardfile::PrevCard)) {
    if (n >= records || walk.size() + 1 >= records) {
      e.raises = true;
      break;
    }
    walk.push_back(n);
  }

  // Record 0: the title and the info block, zero elsewhere; card j of the
  // walk becomes record j + 1, in front of the cards before it.
  const auto count = static_cast<uint32_t>(walk.size());
  std::string& target = e.target;
  target.assign((uint64_t{count} + 1) * size, '\0');
  std::string title = source.substr(0, SlotSize);
  title[0] = static_cast<char>(std::min<uint8_t>(Byte(source, 0), cardfile::SlotTextMax));
  target.replace(0, SlotSize, CopiedSlot(title));
  info.SetWord(TInfoBlock::Signature, cardfile::AnsiSignature);
  info.SetWord(TInfoBlock::CodePage, static_cast<uint16_t>(rt::GetACP()));
  const uint8_t info_length = std::min<uint8_t>(info[0], cardfile::SlotTextMax);
  target[SlotSize] = static_cast<char>(info_length);
  std::copy(info.bytes.begin() + 1, info.bytes.begin() + 1 + info_length,
            target.begin() + SlotSize + 1);
  PutWord(target, size - 8, count);
  PutWord(target, size - 4, count == 0 ? 0 : 1);
  for (uint32_t j = 1; j <= count; ++j) {
    const uint64_t from = uint64_t{walk[j - 1]} * size;
    for (int i = 0; i < slots; ++i) {
      std::string slot = source.substr(from + static_cast<uint64_t>(i) * SlotSize, SlotSize);
      target.replace(j * size + static_cast<uint64_t>(i) * SlotSize, SlotSize, CopiedSlot(slot));
    }
    PutWord(target, j * size + size - 16, j);
    PutWord(target, j * size + size - 8, j - 1);
    PutWord(target, j * size + size - 4, j < count ? j + 1 : 0);
  }
  return e;
}

// Reads the target's list back through the card file handle, as a later run
// would, and checks it against the bytes.
void ReadBackThroughHandle(const std::string& target) {
  std::unique_ptr<cardfile::TFichier> handle = cardfile::TFichier::Open(target_name, 0);
  if (!handle->IsOpen()) Fail("the target does not open as a card file");
  const uint64_t records = handle->RecordCount();
  cardfile::TRecordFrame frame;
  handle->ReadRecord(0, frame);
  uint64_t seen = 0;
  for (uint32_t n = frame.Link(cardfile::FirstCard); n != 0; n = frame.Link(cardfile::NextCard)) {
    if (++seen >= records) Fail("the target's list does not end");
    handle->ReadRecord(n, frame);
    if (std::memcmp(frame.Slot(handle->FirstSlot()), target.data() + n * handle->RecordSize(),
                    handle->RecordSize()) != 0) {
      Fail("a card reads back unlike the file's bytes");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static testing_support::TempDir scratch;  // removed when the fuzzer exits
  source_name = scratch.File("source.orn");
  target_name = scratch.File("target.orn");
  // The summary lines would only fill the fuzzer's log.
  int null = open("/dev/null", O_WRONLY);
  if (null == -1 || dup2(null, 1) == -1) Fail("cannot silence standard output");
  close(null);
  // The command line of a run that overwrites without asking.
  std::string words[] = {*argc > 0 ? (*argv)[0] : "orn2ansi", source_name, "/v", target_name, "/y"};
  char* args[] = {words[0].data(), words[1].data(), words[2].data(), words[3].data(),
                  words[4].data()};
  rt::InitProcess(5, args);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);
  testing_support::WriteFileBytes(source_name, source);
  std::remove(target_name.c_str());
  rt::TakeIoResult();

  bool raised = false;
  try {
    orn2ansi::Main();
  } catch (const rt::Exception&) {
    raised = true;  // the program's handler would report it and exit 1
  }
  rt::TakeIoResult();

  const Expectation expected = Expect(source);
  if (raised != expected.raises) Fail(raised ? "unexpected error report" : "missing error report");
  if (testing_support::ReadFileBytes(source_name) != source) Fail("the source changed");
  const bool made = testing_support::PathExists(target_name);
  if (made != expected.target_made) Fail(made ? "unexpected target" : "missing target");
  if (!made) return 0;

  const std::string target = testing_support::ReadFileBytes(target_name);
  if (target != expected.target) Fail("the target differs from the expected copy");
  std::string error;
  testing_support::ReadCardFile(target, &error, testing_support::SlotLengths::kKept);
  if (!error.empty()) Fail("invalid target: " + error);
  try {
    ReadBackThroughHandle(target);
  } catch (const rt::Exception& e) {
    Fail(std::string("reading the target back raised ") + e.ClassName());
  }
  return 0;
}
