#include "testing/damaged_files.h"

#include <functional>

#include "cardfile/format.h"
#include "testing/card_fixture.h"

namespace testing_support {

using cardfile::FirstCard;
using cardfile::FreeHead;
using cardfile::LastCard;
using cardfile::NextCard;
using cardfile::NextFree;
using cardfile::PrevCard;
using cardfile::SelfIndex;

std::string SoundFile() {
  CardFileBuilder builder;
  builder.Title("Sound");
  builder.Card({"one", "un"});    // 1
  builder.Card({"two", "deux"});  // 2
  builder.Free();                 // 3
  builder.Card({"four"});         // 4
  builder.Free();                 // 5
  builder.ListOrder({4, 1, 2}).FreeList({5, 3});
  return builder.Build();
}

std::vector<DamagedFile> DamagedFiles() {
  constexpr size_t kRecord = 138;
  const std::string past = " points past the end of the file (6 records)";
  const struct {
    const char* name;
    std::function<void(std::string&)> edit;
    std::string problem;
  } cases[] = {
      {"empty", [](std::string& f) { Truncate(f, 0); },
       "0 bytes: shorter than a title and an info block (122 bytes), so no card file"},
      {"121 bytes", [](std::string& f) { Truncate(f, 121); },
       "121 bytes: shorter than a title and an info block (122 bytes), so no card file"},
      {"no signature", [](std::string& f) { SetByte(f, 62, 0x56); },
       "no card file signature at bytes 62-63: 56 51 (55 51 is OEM, DA 51 is ANSI)"},
      {"Version 9", [](std::string& f) { SetByte(f, 64, 9); }, "Version 9 above 8"},
      {"kind a", [](std::string& f) { SetByte(f, 66, 'a'); },
       "FileKind byte 61 is not a capital letter A to Z"},
      {"kind @", [](std::string& f) { SetByte(f, 66, '@'); },
       "FileKind byte 40 is not a capital letter A to Z"},
      {"7 slots", [](std::string& f) { SetByte(f, 94, 6); },
       "1 + 6 slots per record: outside 2 to 6"},
      {"1 slot", [](std::string& f) { SetByte(f, 94, 0); },
       "1 + 0 slots per record: outside 2 to 6"},
      {"255 + 3 slots, 2 when cut to a byte",
       [](std::string& f) {
         SetByte(f, 93, 255);
         SetByte(f, 94, 3);
       },
       "255 + 3 slots per record: outside 2 to 6"},
      {"header cut", [](std::string& f) { Truncate(f, 130); },
       "130 bytes: shorter than one record of 138 bytes"},
      {"title length 61", [](std::string& f) { SetByte(f, 0, 61); }, "title: length 61 above 60"},
      {"partial record", [](std::string& f) { f += "\1\2\3\4\5"; },
       "partial trailing record: 5 bytes after record 5"},
      {"record cut", [=](std::string& f) { Truncate(f, 5 * kRecord + 100); },
       "partial trailing record: 100 bytes after record 4"},
      {"FirstCard 0", [](std::string& f) { SetLink(f, 0, FirstCard, 0); },
       "FirstCard 0 and LastCard 2 disagree on whether there are cards"},
      {"LastCard 0", [](std::string& f) { SetLink(f, 0, LastCard, 0); },
       "FirstCard 4 and LastCard 0 disagree on whether there are cards"},
      {"FreeHead past the end", [](std::string& f) { SetLink(f, 0, FreeHead, 6); },
       "FreeHead 6" + past},
      {"FirstCard past the end", [](std::string& f) { SetLink(f, 0, FirstCard, 99); },
       "FirstCard 99" + past},
      {"LastCard past the end", [](std::string& f) { SetLink(f, 0, LastCard, 0xFFFFFFFF); },
       "LastCard 4294967295" + past},
      {"LastCard not the end", [](std::string& f) { SetLink(f, 0, LastCard, 1); },
       "LastCard 1, but the list ends at card 2"},
      {"NextCard past the end", [](std::string& f) { SetLink(f, 1, NextCard, 77); },
       "card 1: NextCard 77" + past},
      {"NextCard loop", [](std::string& f) { SetLink(f, 2, NextCard, 4); },
       "card 2: NextCard 4 goes back to a card already in the list"},
      {"NextCard to itself", [](std::string& f) { SetLink(f, 1, NextCard, 1); },
       "card 1: NextCard 1 goes back to a card already in the list"},
      {"NextCard to a free record", [](std::string& f) { SetLink(f, 1, NextCard, 3); },
       "card 3: SelfIndex 0 is not its record number"},
      {"SelfIndex", [](std::string& f) { SetLink(f, 1, SelfIndex, 2); },
       "card 1: SelfIndex 2 is not its record number"},
      {"NextFree of a card", [](std::string& f) { SetLink(f, 4, NextFree, 3); },
       "card 4: NextFree 3 is not 0"},
      {"PrevCard of the first card", [](std::string& f) { SetLink(f, 4, PrevCard, 2); },
       "card 4: PrevCard 2 should be 0, as it is the first card"},
      {"PrevCard", [](std::string& f) { SetLink(f, 2, PrevCard, 4); },
       "card 2: PrevCard 4 should be 1, the card before it"},
      {"PrevCard past the end", [](std::string& f) { SetLink(f, 1, PrevCard, 1000); },
       "card 1: PrevCard 1000 should be 4, the card before it"},
      {"slot length 61", [=](std::string& f) { SetByte(f, kRecord, 61); },
       "card 1: slot 1: length 61 above 60"},
      {"slot length 255", [=](std::string& f) { SetByte(f, 2 * kRecord + 61, 255); },
       "card 2: slot 2: length 255 above 60"},
      {"NextFree past the end", [](std::string& f) { SetLink(f, 5, NextFree, 40); },
       "free record 5: NextFree 40" + past},
      {"free list loop", [](std::string& f) { SetLink(f, 3, NextFree, 5); },
       "free record 3: NextFree 5 goes back to a record already in the free list"},
      {"free record that is a card", [](std::string& f) { SetLink(f, 3, NextFree, 2); },
       "free record 3: NextFree 2 is a card of the list"},
      {"FreeHead a card", [](std::string& f) { SetLink(f, 0, FreeHead, 1); },
       "FreeHead 1 is a card of the list"},
  };
  std::vector<DamagedFile> files;
  for (const auto& c : cases) {
    std::string image = SoundFile();
    c.edit(image);
    files.push_back({c.name, image, c.problem});
  }
  return files;
}

}  // namespace testing_support
