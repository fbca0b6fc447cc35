// Writes the fuzzer's seed corpus into the folder given as the argument:
// small card files of every geometry, with free records, shuffled lists,
// short info blocks, texts in every byte range and a few known damages, so
// that the fuzzer starts from files that get past the probe.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cardfile/format.h"
#include "testing/card_fixture.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;

// Three cards in a shuffled list and two free records between them.
CardFileBuilder Mixed(uint8_t first_group, uint8_t second_group) {
  CardFileBuilder builder(first_group, second_group);
  builder.Title("Fichier \x82t\x82 " + std::to_string(first_group) + "+" +
                std::to_string(second_group));
  std::vector<std::string> texts;
  for (int i = 0; i < first_group + second_group; ++i) {
    texts.push_back(std::string(1, static_cast<char>(0x80 + 17 * i)) + "slot " + std::to_string(i));
  }
  builder.Card(texts);                 // 1
  builder.Free();                      // 2
  builder.Card({"\xB0\xB1\xB2\xDB"});  // 3
  builder.Free();                      // 4
  builder.Card({std::string(60, '\x8A')});
  builder.ListOrder({5, 1, 3}).FreeList({4, 2});
  return builder;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  mkdir(folder.c_str(), 0777);
  int written = 0;
  auto seed = [&](const std::string& name, const std::string& image) {
    testing_support::WriteFileBytes(folder + "/" + name, image);
    ++written;
  };

  const int geometries[][2] = {{1, 1}, {0, 2}, {2, 0}, {1, 2}, {2, 1}, {2, 2}, {1, 3},
                               {3, 2}, {2, 4}, {3, 3}, {1, 5}, {5, 1}, {0, 6}};
  for (const auto& g : geometries) {
    auto a = static_cast<uint8_t>(g[0]), b = static_cast<uint8_t>(g[1]);
    seed("geometry-" + std::to_string(a) + "+" + std::to_string(b), Mixed(a, b).Build());
  }
  seed("empty-list", CardFileBuilder().Title("vide").Build());
  seed("ansi", Mixed(1, 1).Ansi().Build());
  CardFileBuilder all_bytes(3, 3);
  for (int s = 0; s < 5; ++s) {
    std::string text;
    for (int i = 0; i < 60 && s * 60 + i < 256; ++i) text += static_cast<char>(s * 60 + i);
    all_bytes.Card({text});
  }
  seed("all-bytes", all_bytes.Build());

  // Short info blocks: the bytes past the length come from the template, the
  // group counts among them below 33.
  for (int length : {0, 1, 4, 5, 32, 33, 50, 55}) {
    std::string image = Mixed(2, 2).Build();
    testing_support::SetByte(image, cardfile::InfoOffset, static_cast<uint8_t>(length));
    seed("info-length-" + std::to_string(length), image);
  }
  for (int length : {57, 60, 61, 255}) {
    std::string image = Mixed(1, 2).Build();
    testing_support::SetByte(image, cardfile::InfoOffset, static_cast<uint8_t>(length));
    seed("info-length-" + std::to_string(length), image);
  }

  // Damages the copy must survive.
  std::string image = Mixed(1, 1).Build();
  testing_support::SetByte(image, 0, 255);   // title length
  testing_support::SetByte(image, 138, 61);  // a card's slot length
  seed("long-lengths", image);
  image = Mixed(1, 1).Build();
  testing_support::SetLink(image, 5, cardfile::PrevCard, 3);  // a cycle of three
  seed("cycle", image);
  image = Mixed(1, 1).Build();
  testing_support::SetLink(image, 1, cardfile::PrevCard, 99);  // past the end
  seed("past-the-end", image);
  image = Mixed(2, 1).Build() + "partial";
  seed("partial-record", image);

  std::printf("%d seeds written to %s\n", written, folder.c_str());
  return 0;
}
