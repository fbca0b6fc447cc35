#include "runtime/exceptions.h"

#include <cstdio>

namespace rt {

Exception::Exception(const char* class_name, const char* message, uint32_t location)
    : class_name_(class_name), location_(location) {
  std::snprintf(message_, sizeof message_, "%s", message);
}

void InOutErrorMessage(uint32_t code, char* out, size_t size) {
  // The texts are Windows-1252 bytes, written to the console untranslated.
  const char* text = nullptr;
  switch (code) {
    case 2:
      text = "Fichier introuvable";
      break;
    case 3:
      text = "Nom de fichier incorrect";
      break;
    case 4:
      text = "Trop de fichiers ouverts";
      break;
    case 5:
      text = "Acc\xE8s au fichier refus\xE9";
      break;
    case 100:
      text = "Lecture au del\xE0 de la fin de fichier";
      break;
    case 101:
      text = "Disque plein";
      break;
    case 106:
      text = "Saisie num\xE9rique incorrecte";
      break;
  }
  if (text != nullptr) {
    std::snprintf(out, size, "%s", text);
  } else {
    std::snprintf(out, size, "Erreur E/S %d", static_cast<int>(code));
  }
}

namespace {
struct InOutText {
  char text[96];
  explicit InOutText(uint32_t code) { InOutErrorMessage(code, text, sizeof text); }
};
}  // namespace

EInOutError::EInOutError(uint32_t code, uint32_t location)
    : Exception("EInOutError", InOutText(code).text, location), code_(code) {}

EOutOfMemory::EOutOfMemory(uint32_t location)
    : Exception("EOutOfMemory", "Plus de m\xE9moire", location) {}

}  // namespace rt
