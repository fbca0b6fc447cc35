#include "testing/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
  // The system's scratch folder: TMPDIR on POSIX, TEMP on Windows. The
  // library refuses an empty TMPDIR, which means /tmp.
  std::error_code no_folder;
  fs::path base = fs::temp_directory_path(no_folder);
  if (no_folder) base = "/tmp";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "orn2ansi-test-%08x%08x", random(), random());
    std::error_code error;
    // False without an error when the name is taken: draw another.
    if (fs::create_directory(base / name, error)) {
      path_ = (base / name).string();
      return;
    }
    if (error) break;
  }
  throw std::runtime_error("cannot make a scratch folder in " + base.string());
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool PathExists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

}  // namespace testing_support
