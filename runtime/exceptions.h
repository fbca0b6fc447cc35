// The program's exception classes. None of them allocates: the message lives
// in the object, so that even memory exhaustion can be reported.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

class Exception {
 public:
  Exception(const char* class_name, const char* message, uint32_t location);

  const char* ClassName() const { return class_name_; }
  const char* Message() const { return message_; }
  // Where the failure was detected, as an offset into the program's code.
  uint32_t Location() const { return location_; }

 private:
  static constexpr size_t kMessageMax = 96;
  const char* class_name_;
  char message_[kMessageMax];
  uint32_t location_;
};

// An I/O failure; carries the I/O error code that caused it.
class EInOutError : public Exception {
 public:
  EInOutError(uint32_t code, uint32_t location);
  uint32_t ErrorCode() const { return code_; }

 private:
  uint32_t code_;
};

class EOutOfMemory : public Exception {
 public:
  explicit EOutOfMemory(uint32_t location);
};

// The message of EInOutError for a code, written into out.
void InOutErrorMessage(uint32_t code, char* out, size_t size);

}  // namespace rt
