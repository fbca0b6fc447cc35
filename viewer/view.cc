#include "viewer/view.h"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "cardfile/charset.h"
#include "cardfile/check.h"
#include "cardfile/format.h"

namespace ornview {
namespace {

using cardfile::HexByte;
using cardfile::TInfoBlock;

constexpr const char* kUsage = "Usage: ornview [--check] FILE\n";

constexpr const char* kHelp =
    "Shows a card file: its header, then its cards in list order with their\n"
    "texts in UTF-8. With --check, checks every rule of the format instead\n"
    "and names the first one broken. The file is only read.\n"
    "\n"
    "  --check    check the file; print one line when it is valid\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 listed or valid, 1 no card file or a rule broken,\n"
    "2 a bad command line or a file that cannot be read.\n";

// The file, opened for reading only: the tool never writes.
class FileBytes : public cardfile::CardFileBytes {
 public:
  explicit FileBytes(const std::string& path) : in_(path, std::ios::binary) {
    if (!in_.is_open()) return;
    in_.seekg(0, std::ios::end);
    const std::streamoff end = in_.tellg();
    if (in_ && end >= 0) {
      size_ = static_cast<uint64_t>(end);
      sized_ = true;
    }
  }
  bool IsOpen() const { return in_.is_open(); }
  bool Sized() const { return sized_; }

  uint64_t Size() override { return size_; }
  bool Read(uint64_t offset, uint8_t* out, size_t size) override {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return in_ && static_cast<size_t>(in_.gcount()) == size;
  }

 private:
  std::ifstream in_;
  uint64_t size_ = 0;
  bool sized_ = false;
};

std::string Count(uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Totals(const cardfile::CheckResult& result) {
  return Count(result.cards, "card", "cards") + ", " +
         Count(result.free_records, "free record", "free records");
}

// Writes the listing as the checker reads the file.
class Listing : public cardfile::CardFileVisitor {
 public:
  explicit Listing(std::ostream& out) : out_(out) {}

  void Header(const cardfile::CheckedHeader& header) override {
    const TInfoBlock& info = header.info;
    const uint16_t signature = header.Signature();
    page_ = &cardfile::TextCodePageTable(signature);
    second_group_at_ = header.first_group;

    Line("Title") << ShowText(header.title, *page_);
    if (header.title_length > cardfile::SlotTextMax) {
      out_ << " (length " << int{header.title_length} << ", cut to 60)";
    }
    out_ << '\n';
    Line("Signature") << (signature == cardfile::AnsiSignature ? "ANSI" : "OEM") << " ("
                      << HexByte(info[TInfoBlock::Signature]) << ' '
                      << HexByte(info[TInfoBlock::Signature + 1]) << ")\n";
    const uint16_t code_page = info.Word(TInfoBlock::CodePage);
    Line("Code page") << code_page;
    if (code_page != cardfile::TextCodePage(signature)) {
      out_ << " (texts shown in code page " << cardfile::TextCodePage(signature) << ')';
    }
    out_ << '\n';
    Line("Version") << int{info[TInfoBlock::Version]} << ", revision "
                    << int{info[TInfoBlock::Revision]} << '\n';
    Line("Kind") << static_cast<char>(info[TInfoBlock::FileKind]) << '\n';
    const uint8_t stored_length = header.stored_info[TInfoBlock::InfoLength];
    Line("Info length") << int{stored_length};
    if (stored_length < cardfile::CurrentInfoLength) {
      out_ << ", completed to " << int{cardfile::CurrentInfoLength} << " from the template";
    }
    out_ << '\n';
    Line("Geometry") << int{header.first_group} << " + " << int{header.second_group}
                     << " slots, records of " << header.record_size << " bytes\n";
    Line("Records") << header.records;
    if (header.trailing_bytes != 0) {
      out_ << ", and a partial record of " << header.trailing_bytes << " bytes";
    }
    out_ << '\n';
    Line("Header words") << "word0 " << header.words[0] << ", FreeHead "
                         << header.words[cardfile::FreeHead] << ", FirstCard "
                         << header.words[cardfile::FirstCard] << ", LastCard "
                         << header.words[cardfile::LastCard] << '\n';
    out_ << "Cards in list order (record: first group | second group)\n";
  }

  void Card(const cardfile::CheckedCard& card) override {
    std::string line = std::to_string(card.record);
    line.insert(0, line.size() < 6 ? 6 - line.size() : 0, ' ');
    line += ':';
    for (size_t i = 0; i < card.slots.size(); ++i) {
      if (i == second_group_at_) line += " |";
      line += ' ';
      line += ShowText(card.slots[i], *page_);
    }
    out_ << line << '\n';
  }

  void FreeRecord(uint32_t record) override { free_.push_back(record); }

  // What comes after the cards.
  void End(const cardfile::CheckResult& result) {
    Line("Free list");
    if (free_.empty()) out_ << "none";
    for (size_t i = 0; i < free_.size(); ++i) out_ << (i == 0 ? "" : " ") << free_[i];
    out_ << '\n';
    Line("Totals") << Totals(result) << '\n';
  }

 private:
  std::ostream& Line(const std::string& label) {
    return out_ << label << std::string(label.size() < 14 ? 14 - label.size() : 1, ' ');
  }

  std::ostream& out_;
  const cardfile::CodePageTable* page_ = nullptr;
  size_t second_group_at_ = 0;
  std::vector<uint32_t> free_;
};

int View(const std::string& path, bool check_only, std::ostream& out, std::ostream& err) {
  const std::string who = "ornview: " + path + ": ";
  // A FIFO or a device would block the open or never end: only a regular
  // file can be a card file.
  std::error_code error;
  if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
    err << who << "is not a regular file\n";
    return kExitTrouble;
  }
  FileBytes file(path);
  if (!file.IsOpen()) {
    err << who << "cannot be opened for reading\n";
    return kExitTrouble;
  }
  if (!file.Sized()) {
    err << who << "cannot be read\n";
    return kExitTrouble;
  }
  cardfile::CardFileVisitor quiet;
  Listing listing(out);
  const cardfile::CheckResult result =
      cardfile::CheckCardFile(file, check_only ? quiet : listing, {});
  if (!check_only && result.header_read && !result.read_failed) listing.End(result);
  if (result.read_failed) {
    err << who << "cannot be read: " << result.problem << '\n';
    return kExitTrouble;
  }
  if (!result.Valid()) {
    err << who << result.problem << '\n';
    return kExitBroken;
  }
  if (check_only) out << path << ": valid card file, " << Totals(result) << '\n';
  return kExitOk;
}

}  // namespace

std::string ShowText(std::string_view bytes, const cardfile::CodePageTable& page) {
  std::string shown = "\"";
  for (char byte : bytes) {
    const auto b = static_cast<uint8_t>(byte);
    const char32_t c = page[b];
    if (c == cardfile::NoCharacter || c < 0x20 || c == 0x7F) {
      shown += "\\x" + HexByte(b);
    } else if (c == '"' || c == '\\') {
      shown += '\\';
      shown += static_cast<char>(c);
    } else {
      cardfile::AppendUtf8(c, shown);
    }
  }
  return shown + "\"";
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool check_only = false, options_end = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      files.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--check") {
      check_only = true;
    } else if (arg == "--help") {
      out << kUsage << kHelp;
      return kExitOk;
    } else if (arg == "--version") {
      out << "ornview " ORN2ANSI_VERSION "\n";
      return kExitOk;
    } else {
      err << "ornview: unknown option " << arg << '\n' << kUsage;
      return kExitTrouble;
    }
  }
  if (files.size() != 1) {
    err << "ornview: " << (files.empty() ? "no file named" : "one file at a time") << '\n'
        << kUsage;
    return kExitTrouble;
  }
  int status = View(files[0], check_only, out, err);
  out.flush();
  if (!out) {
    err << "ornview: standard output cannot be written\n";
    return kExitTrouble;
  }
  return status;
}

}  // namespace ornview
