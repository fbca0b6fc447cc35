#include "cardfile/format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace cardfile {
namespace {

TEST(Format, LinkWordsAreLittleEndian) {
  TRecordFrame frame;
  frame.SetLink(SelfIndex, 0x04030201);
  frame.SetLink(LastCard, 20'000'000);
  const uint8_t expected[16] = {1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x2D, 0x31, 0x01};
  EXPECT_EQ(0, std::memcmp(&frame.bytes[366], expected, 16));
  EXPECT_EQ(frame.Link(SelfIndex), 0x04030201u);
  EXPECT_EQ(frame.Link(PrevCard), 20'000'000u);
}

TEST(Format, InfoTemplateBytes) {
  const uint8_t expected[61] = {
      0x38, 0x55, 0x51, 0x01, 0x01, 0x51, 0x51, 0x41, 0,    0,    0,    0, 0,    0,    0, 0,
      0,    0,    0,    0,    0,    0,    0xB5, 0x01, 0x4E, 0x59, 0x59, 0, 0x4E, 0x4E, 0, 0x4E,
      0x01, 0x01, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0,    0,    0, 0,
      0,    0,    0,    0,    0,    0,    0,    0x0A, 0x59, 0,    0,    0, 0};
  EXPECT_EQ(0, std::memcmp(InfoTemplate.bytes.data(), expected, 61));
  EXPECT_EQ(InfoTemplate.Word(TInfoBlock::Signature), OemSignature);
  EXPECT_EQ(InfoTemplate.Word(TInfoBlock::CodePage), 437);
}

}  // namespace
}  // namespace cardfile
