#include "testing/card_fixture.h"

#include <algorithm>
#include <stdexcept>

#include "cardfile/check.h"
#include "cardfile/format.h"

namespace testing_support {

using cardfile::SlotSize;

CardFileBuilder::CardFileBuilder(uint8_t first_group, uint8_t second_group)
    : first_group_(first_group), second_group_(second_group) {}

CardFileBuilder& CardFileBuilder::Title(const std::string& title) {
  title_ = title;
  return *this;
}

CardFileBuilder& CardFileBuilder::Ansi() {
  info_bytes_.push_back({1, 0xDA});
  return *this;
}

CardFileBuilder& CardFileBuilder::InfoByte(size_t k, uint8_t value) {
  info_bytes_.push_back({k, value});
  return *this;
}

uint32_t CardFileBuilder::Card(const std::vector<std::string>& slots) {
  records_.push_back(slots);
  is_free_.push_back(false);
  return static_cast<uint32_t>(records_.size());
}

uint32_t CardFileBuilder::Free() {
  records_.push_back({});
  is_free_.push_back(true);
  return static_cast<uint32_t>(records_.size());
}

CardFileBuilder& CardFileBuilder::ListOrder(const std::vector<uint32_t>& records) {
  list_order_ = records;
  list_given_ = true;
  return *this;
}

CardFileBuilder& CardFileBuilder::FreeList(const std::vector<uint32_t>& records) {
  free_list_ = records;
  free_given_ = true;
  return *this;
}

uint16_t CardFileBuilder::RecordSize() const {
  return static_cast<uint16_t>(SlotSize * (first_group_ + second_group_) + 16);
}

namespace {

void PutSlot(std::string& image, size_t at, const std::string& text) {
  if (text.size() > 60) throw std::invalid_argument("slot text longer than 60");
  image[at] = static_cast<char>(text.size());
  image.replace(at + 1, text.size(), text);
}

}  // namespace

std::string CardFileBuilder::Build() const {
  const size_t size = RecordSize();
  const int slots = first_group_ + second_group_;
  std::string image((records_.size() + 1) * size, '\0');
  PutSlot(image, 0, title_);
  for (size_t k = 0; k < SlotSize; ++k) image[SlotSize + k] = cardfile::InfoTemplate[k];
  image[SlotSize + 32] = static_cast<char>(first_group_);
  image[SlotSize + 33] = static_cast<char>(second_group_);
  for (auto [k, value] : info_bytes_) image[SlotSize + k] = static_cast<char>(value);

  std::vector<uint32_t> order = list_order_, free = free_list_;
  for (uint32_t r = 1; r <= records_.size(); ++r) {
    if (!list_given_ && !is_free_[r - 1]) order.push_back(r);
    if (!free_given_ && is_free_[r - 1]) free.push_back(r);
  }
  for (uint32_t r = 1; r <= records_.size(); ++r) {
    for (int i = 0; i < slots && i < static_cast<int>(records_[r - 1].size()); ++i) {
      PutSlot(image, r * size + static_cast<size_t>(i) * SlotSize, records_[r - 1][i]);
    }
  }
  for (size_t i = 0; i < order.size(); ++i) {
    SetLink(image, order[i], cardfile::SelfIndex, order[i]);
    SetLink(image, order[i], cardfile::NextCard, i + 1 < order.size() ? order[i + 1] : 0);
    SetLink(image, order[i], cardfile::PrevCard, i > 0 ? order[i - 1] : 0);
  }
  for (size_t i = 0; i < free.size(); ++i) {
    SetLink(image, free[i], cardfile::NextFree, i + 1 < free.size() ? free[i + 1] : 0);
  }
  SetLink(image, 0, cardfile::FreeHead, free.empty() ? 0 : free.front());
  SetLink(image, 0, cardfile::FirstCard, order.empty() ? 0 : order.front());
  SetLink(image, 0, cardfile::LastCard, order.empty() ? 0 : order.back());
  return image;
}

cardfile::TRecordFrame CardFrame(int first_slot, const std::string& text) {
  cardfile::TRecordFrame frame;
  frame.bytes.fill(0xAB);
  for (int i = first_slot; i <= cardfile::FrameSlots; ++i) frame.Slot(i)[0] = 0;
  uint8_t* slot = frame.Slot(first_slot);
  slot[0] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), slot + 1);
  return frame;
}

uint16_t ImageRecordSize(const std::string& image) {
  if (image.size() < cardfile::ProbeSize) return 0;
  // The geometry of the completed info block, as opening the file takes it.
  cardfile::TInfoBlock info;
  std::copy_n(image.begin() + cardfile::InfoOffset, SlotSize, info.bytes.begin());
  if (info[cardfile::TInfoBlock::InfoLength] < cardfile::CurrentInfoLength) {
    cardfile::UpgradeInfo(info);
  }
  const int slots =
      info[cardfile::TInfoBlock::FirstGroupSlots] + info[cardfile::TInfoBlock::SecondGroupSlots];
  return static_cast<uint16_t>(SlotSize * slots + cardfile::LinkBlockSize);
}

void SetByte(std::string& image, size_t offset, uint8_t value) {
  if (offset >= image.size()) image.resize(offset + 1, '\0');
  image[offset] = static_cast<char>(value);
}

void SetLink(std::string& image, uint32_t record, int word, uint32_t value) {
  size_t at = uint64_t{record} * ImageRecordSize(image) + ImageRecordSize(image) - 16 + 4 * word;
  for (int i = 0; i < 4; ++i) SetByte(image, at + i, static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetLink(const std::string& image, uint32_t record, int word) {
  size_t at = uint64_t{record} * ImageRecordSize(image) + ImageRecordSize(image) - 16 + 4 * word;
  if (at + 4 > image.size()) throw std::out_of_range("link word outside the image");
  return cardfile::DecodeFixed32(reinterpret_cast<const uint8_t*>(image.data() + at));
}

void Truncate(std::string& image, size_t size) { image.resize(size); }

namespace {

// Gathers what the checker reads into a ReadBack.
class Collector : public cardfile::CardFileVisitor {
 public:
  explicit Collector(ReadBack& file) : file_(file) {}
  void Header(const cardfile::CheckedHeader& header) override {
    file_.title = header.title;
    file_.info.assign(header.stored_info.bytes.begin(), header.stored_info.bytes.end());
    file_.free_head = header.words[cardfile::FreeHead];
    file_.records = header.records;
  }
  void Card(const cardfile::CheckedCard& card) override {
    file_.cards.push_back({card.record, card.slots});
  }

 private:
  ReadBack& file_;
};

}  // namespace

ReadBack ReadCardFile(const std::string& image, std::string* error, SlotLengths lengths) {
  ReadBack file;
  Collector collector(file);
  cardfile::ImageBytes bytes(image);
  cardfile::CheckOptions options;
  options.clean_slot_tails = true;  // as this program writes every slot
  options.accept_long_slots = lengths == SlotLengths::kKept;
  *error = cardfile::CheckCardFile(bytes, collector, options).problem;
  return file;
}

std::vector<std::vector<std::string>> Texts(const ReadBack& file) {
  std::vector<std::vector<std::string>> texts;
  for (const ReadCard& card : file.cards) texts.push_back(card.slots);
  return texts;
}

}  // namespace testing_support
