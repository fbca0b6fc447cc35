#include "cardfile/fichier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/io_error.h"
#include "testing/card_fixture.h"
#include "testing/platform.h"
#include "testing/temp_dir.h"

namespace cardfile {
namespace {

using testing_support::CardFileBuilder;
using testing_support::ReadFileBytes;
using testing_support::SetByte;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// Info byte k of an image lies at file offset 61 + k.
constexpr size_t Info(size_t k) { return 61 + k; }

std::string ValidImage() {
  CardFileBuilder builder;
  builder.Title("Titre");
  builder.Card({"a", "b"});
  return builder.Build();
}

TEST(ProbeAndOpen, OutcomesForEveryKindOfFile) {
  struct Case {
    const char* name;
    std::function<void(std::string&)> damage;  // applied to a valid 1+1 image
    char status;                               // of ProbeCardFile
    bool is_open;                              // of Open in mode 0
    uint32_t raised = 0;                       // EInOutError code from Open, if any
  };
  const Case cases[] = {
      {"valid", [](std::string&) {}, 'Q', true},
      {"121 bytes", [](std::string& f) { f.resize(121); }, '?', false},
      {"122 bytes, then a short header read", [](std::string& f) { f.resize(122); }, 'Q', false,
       100},
      {"137 bytes", [](std::string& f) { f.resize(137); }, 'Q', false, 100},
      {"empty file", [](std::string& f) { f.clear(); }, '?', false},
      {"no signature", [](std::string& f) { SetByte(f, Info(1), 0x56); }, '?', false},
      {"signature second byte", [](std::string& f) { SetByte(f, Info(2), 0x52); }, '?', false},
      {"ANSI signature", [](std::string& f) { SetByte(f, Info(1), 0xDA); }, 'Q', true},
      {"Version 8", [](std::string& f) { SetByte(f, Info(3), 8); }, 'Q', true},
      {"Version 9", [](std::string& f) { SetByte(f, Info(3), 9); }, '?', false},
      {"Version 255", [](std::string& f) { SetByte(f, Info(3), 255); }, '?', false},
      {"kind A", [](std::string& f) { SetByte(f, Info(5), 'A'); }, 'A', true},
      {"kind Z", [](std::string& f) { SetByte(f, Info(5), 'Z'); }, 'Z', true},
      {"kind @", [](std::string& f) { SetByte(f, Info(5), '@'); }, '@', false},
      {"kind [", [](std::string& f) { SetByte(f, Info(5), '['); }, '[', false},
      {"kind a", [](std::string& f) { SetByte(f, Info(5), 'a'); }, 'a', false},
      {"kind blank", [](std::string& f) { SetByte(f, Info(5), ' '); }, ' ', false},
      {"0 slots",
       [](std::string& f) {
         SetByte(f, Info(32), 0);
         SetByte(f, Info(33), 0);
       },
       'Q', false},
      {"1 slot", [](std::string& f) { SetByte(f, Info(33), 0); }, 'Q', false},
      {"7 slots",
       [](std::string& f) {
         SetByte(f, Info(32), 4);
         SetByte(f, Info(33), 3);
       },
       'Q', false},
      {"200 + 58 slots wrap to 2 in 8 bits",
       [](std::string& f) {
         SetByte(f, Info(32), 200);
         SetByte(f, Info(33), 58);
       },
       'Q', false},
      {"InfoLength 4 takes kind and 1+1 from the template",
       [](std::string& f) {
         SetByte(f, Info(0), 4);
         SetByte(f, Info(5), 'x');
         SetByte(f, Info(32), 9);
       },
       'Q', true},
      {"InfoLength 0 takes the signature from the template too",
       [](std::string& f) { SetByte(f, Info(0), 0); }, 'Q', true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string image = ValidImage();
    c.damage(image);
    WriteFileBytes(dir.File("f"), image);
    TInfoBlock info;
    EXPECT_EQ(ProbeCardFile(dir.File("f"), info), c.status);
    try {
      auto handle = TFichier::Open(dir.File("f"), 0);
      EXPECT_EQ(c.raised, 0u);
      EXPECT_EQ(handle->IsOpen(), c.is_open);
    } catch (const rt::EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), c.raised);
    }
    EXPECT_EQ(ReadFileBytes(dir.File("f")), image);  // mode 0 never writes
    EXPECT_EQ(rt::TakeIoResult(), 0u);
  }
}

TEST(ProbeAndOpen, NamesThatAreNoFile) {
  TempDir dir;
  TInfoBlock info;
  info.bytes.fill(0xEE);
  EXPECT_EQ(ProbeCardFile("", info), '?');
  EXPECT_EQ(ProbeCardFile(dir.File("missing"), info), ' ');
  EXPECT_EQ(ProbeCardFile(dir.path(), info), ' ');
  const std::string non_regular = testing_support::NonRegularFile(dir);
  EXPECT_EQ(ProbeCardFile(non_regular, info), '!');
  EXPECT_EQ(info.bytes[0], 0xEE);  // not written
  for (const std::string& name : {std::string(), dir.File("missing"), dir.path(), non_regular}) {
    auto handle = TFichier::Open(name, 0);
    EXPECT_FALSE(handle->IsOpen());
    EXPECT_EQ(handle->FileName(), name);
    EXPECT_EQ(handle->RecordSize(), 0);  // refused: geometry stays zero
  }
}

TEST(ProbeAndOpen, RefusedWhenTheModeConflictsWithAnotherOpen) {
  TempDir dir;
  WriteFileBytes(dir.File("f"), ValidImage());
  auto reader = TFichier::Open(dir.File("f"), 0);
  ASSERT_TRUE(reader->IsOpen());
  EXPECT_TRUE(TFichier::Open(dir.File("f"), 0)->IsOpen());
  auto writer = TFichier::Open(dir.File("f"), 2);
  EXPECT_FALSE(writer->IsOpen());
  EXPECT_EQ(writer->RecordSize(), 138);  // got past the probe
  reader.reset();
  auto held = TFichier::Open(dir.File("f"), 2);
  ASSERT_TRUE(held->IsOpen());
  TInfoBlock info;
  EXPECT_EQ(ProbeCardFile(dir.File("f"), info), '!');
  EXPECT_FALSE(TFichier::Open(dir.File("f"), 0)->IsOpen());
}

TEST(ProbeAndOpen, ShortInfoBlockIsCompletedInMemoryOnlyInMode0) {
  TempDir dir;
  std::string image = ValidImage();
  SetByte(image, Info(0), 50);
  for (size_t k = 51; k <= 60; ++k) SetByte(image, Info(k), 0x77);
  SetByte(image, 20, 0x99);  // garbage after the title's text
  WriteFileBytes(dir.File("f"), image);

  auto handle = TFichier::Open(dir.File("f"), 0);
  ASSERT_TRUE(handle->IsOpen());
  TInfoBlock info;
  handle->GetInfo(info);
  EXPECT_EQ(info[0], 56);
  for (size_t k = 51; k <= 56; ++k) EXPECT_EQ(info[k], InfoTemplate[k]) << k;
  for (size_t k = 57; k <= 60; ++k) EXPECT_EQ(info[k], 0x77) << k;  // kept as read
  handle.reset();
  EXPECT_EQ(ReadFileBytes(dir.File("f")), image);

  // Mode 2 writes the completed header back, with every slot tail cleared.
  handle = TFichier::Open(dir.File("f"), 2);
  ASSERT_TRUE(handle->IsOpen());
  handle.reset();
  std::string expected = image;
  SetByte(expected, Info(0), 56);
  for (size_t k = 51; k <= 56; ++k) SetByte(expected, Info(k), InfoTemplate[k]);
  for (size_t k = 57; k <= 60; ++k) SetByte(expected, Info(k), 0);
  SetByte(expected, 20, 0);
  EXPECT_EQ(ReadFileBytes(dir.File("f")), expected);
}

TEST(ProbeAndOpen, FullInfoBlockIsNeverWritten) {
  for (uint8_t length : {56, 57, 60, 200}) {
    TempDir dir;
    std::string image = ValidImage();
    SetByte(image, Info(0), length);
    SetByte(image, 20, 0x99);  // would be cleared by a write
    WriteFileBytes(dir.File("f"), image);
    auto handle = TFichier::Open(dir.File("f"), 2);
    ASSERT_TRUE(handle->IsOpen());
    TInfoBlock info;
    handle->GetInfo(info);
    EXPECT_EQ(info[0], length);
    handle.reset();
    EXPECT_EQ(ReadFileBytes(dir.File("f")), image);
  }
}

TEST(Handle, GetTitleCutsToSixtyCharacters) {
  TempDir dir;
  std::string image = ValidImage();
  SetByte(image, 0, 200);
  for (size_t k = 1; k <= 60; ++k) SetByte(image, k, static_cast<uint8_t>('a' + k % 26));
  WriteFileBytes(dir.File("f"), image);
  auto handle = TFichier::Open(dir.File("f"), 0);
  TShortString title;
  handle->GetTitle(title);
  EXPECT_EQ(title[0], 60);
  EXPECT_EQ(0, std::memcmp(title.data() + 1, image.data() + 1, 60));
}

TEST(Handle, ReadRecordPastTheEndRaises100) {
  TempDir dir;
  std::string image = ValidImage();  // records 0 and 1
  image += "partial";
  WriteFileBytes(dir.File("f"), image);
  auto handle = TFichier::Open(dir.File("f"), 0);
  TRecordFrame frame;
  EXPECT_NO_THROW(handle->ReadRecord(1, frame));
  for (uint32_t n : {2u, 3u, 0xFFFFFFFFu}) {
    try {
      handle->ReadRecord(n, frame);
      ADD_FAILURE() << n;
    } catch (const rt::EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), 100u);
    }
  }
  // A handle opened for reading only cannot write: 103.
  try {
    handle->WriteRecord(1, frame);
    ADD_FAILURE();
  } catch (const rt::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 103u);
  }
}

TEST(Handle, RecordsOfEveryGeometryMoveRightAligned) {
  for (int c = 2; c <= 6; ++c) {
    SCOPED_TRACE(c);
    TempDir dir;
    CardFileBuilder builder(1, static_cast<uint8_t>(c - 1));
    std::vector<std::string> texts;
    for (int i = 0; i < c; ++i) texts.push_back(std::string(static_cast<size_t>(i + 1), 'a' + i));
    builder.Card(texts);
    std::string image = builder.Build();
    WriteFileBytes(dir.File("f"), image);
    auto handle = TFichier::Open(dir.File("f"), 2);
    ASSERT_TRUE(handle->IsOpen());
    EXPECT_EQ(handle->RecordSize(), 61 * c + 16);
    EXPECT_EQ(handle->FirstSlot(), 7 - c);
    EXPECT_EQ(handle->InfoSlot(), 8 - c);

    TRecordFrame frame;
    frame.bytes.fill(0xEE);
    handle->ReadRecord(1, frame);
    for (int slot = 1; slot < 7 - c; ++slot) EXPECT_EQ(frame.Slot(slot)[0], 0xEE);  // untouched
    for (int i = 0; i < c; ++i) EXPECT_EQ(frame.Slot(7 - c + i)[0], i + 1);
    EXPECT_EQ(frame.Link(SelfIndex), 1u);

    // Writing clears every slot tail in the caller's frame, stores only the
    // record's slots, and writes a length above 60 unchanged.
    frame.Slot(7 - c)[30] = 0x55;  // past a text of length 1
    frame.Slot(6)[0] = 61;
    frame.Slot(6)[61 - 1] = 0x66;
    handle->WriteRecord(2, frame);
    EXPECT_EQ(frame.Slot(7 - c)[30], 0);
    EXPECT_EQ(frame.Slot(1)[0], c == 6 ? 1 : 0xEE);
    EXPECT_EQ(frame.Slot(6)[60], 0x66);
    handle.reset();
    std::string file = ReadFileBytes(dir.File("f"));
    ASSERT_EQ(file.size(), 3u * (61 * c + 16));
    EXPECT_EQ(file.substr(2 * (61 * c + 16)),
              std::string(reinterpret_cast<char*>(frame.Slot(7 - c)), 61 * c + 16));
  }
}

}  // namespace
}  // namespace cardfile
