// Converts a generated card file of N cards and reports how long it took.
//
//   convert_bench N [FOLDER]
//
// The source has N cards of 2 + 3 slots in a shuffled list order, so that the
// copy reads the source by record number all over the file, as it does on
// real data. The built orn2ansi runs as a child process; its wall time, time
// per card and peak memory are printed. Run it under `strace -c -f` to count
// the system calls.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "cardfile/format.h"

namespace {

using cardfile::EncodeFixed32;
using cardfile::SlotSize;

constexpr uint8_t kFirstGroup = 2, kSecondGroup = 3;
constexpr size_t kRecordSize = SlotSize * (kFirstGroup + kSecondGroup) + cardfile::LinkBlockSize;

void WriteSource(const std::string& path, uint32_t cards) {
  // Record r holds the card at list position order_of[r].
  std::vector<uint32_t> order(cards);
  std::iota(order.begin(), order.end(), 1);
  std::mt19937 random(12345);
  std::shuffle(order.begin(), order.end(), random);
  std::vector<uint32_t> position(cards + 1);
  for (uint32_t i = 0; i < cards; ++i) position[order[i]] = i;

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<uint8_t> record(kRecordSize, 0);
  auto links = [&](uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
    uint8_t* at = &record[kRecordSize - 16];
    EncodeFixed32(at, w0);
    EncodeFixed32(at + 4, w1);
    EncodeFixed32(at + 8, w2);
    EncodeFixed32(at + 12, w3);
  };
  const std::string title = "Banc d'essai \x82t\x82";
  record[0] = static_cast<uint8_t>(title.size());
  std::copy(title.begin(), title.end(), record.begin() + 1);
  std::copy(cardfile::InfoTemplate.bytes.begin(), cardfile::InfoTemplate.bytes.end(),
            record.begin() + SlotSize);
  record[SlotSize + cardfile::TInfoBlock::FirstGroupSlots] = kFirstGroup;
  record[SlotSize + cardfile::TInfoBlock::SecondGroupSlots] = kSecondGroup;
  links(0, 0, cards ? order.front() : 0, cards ? order.back() : 0);
  out.write(reinterpret_cast<const char*>(record.data()), kRecordSize);

  for (uint32_t r = 1; r <= cards; ++r) {
    std::fill(record.begin(), record.end(), 0);
    for (int s = 0; s < kFirstGroup + kSecondGroup; ++s) {
      uint8_t length = static_cast<uint8_t>(random() % 61);
      record[s * SlotSize] = length;
      for (uint8_t k = 1; k <= length; ++k)
        record[s * SlotSize + k] = static_cast<uint8_t>(32 + random() % 224);
    }
    uint32_t i = position[r];
    links(r, 0, i + 1 < cards ? order[i + 1] : 0, i > 0 ? order[i - 1] : 0);
    out.write(reinterpret_cast<const char*>(record.data()), kRecordSize);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CARDS [FOLDER]\n", argv[0]);
    return 2;
  }
  const uint32_t cards = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
  const std::string folder = argc > 2 ? argv[2] : ".";
  const std::string source = folder + "/bench-source.orn", target = folder + "/bench-target.orn";
  WriteSource(source, cards);

  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!freopen("/dev/null", "w", stdout)) _exit(127);
    execl(ORN2ANSI_BINARY, "orn2ansi", source.c_str(), "/v", target.c_str(), "/y", nullptr);
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage;
  getrusage(RUSAGE_CHILDREN, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "orn2ansi failed\n");
    return 1;
  }
  std::printf("%u cards: %.3f s, %.2f us per card, peak memory %ld KiB\n", cards, seconds,
              cards ? seconds * 1e6 / cards : 0.0, usage.ru_maxrss);
  std::remove(source.c_str());
  std::remove(target.c_str());
  return 0;
}
