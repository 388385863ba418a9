#include "runtime/files/record_layout.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

#include "runtime/files/file_instance.h"
#include "runtime/files/file_position.h"

namespace apprt {
namespace {

std::atomic<std::uint64_t> gNextSerial{1};

// The longest position header: "@" + field numbers + identity + separators.
constexpr std::size_t kPositionHeaderRoom = 64;

}  // namespace

std::string_view unprefixedName(std::string_view declaredName) {
  const auto colon = declaredName.find(':');
  return colon == std::string_view::npos ? declaredName : declaredName.substr(colon + 1);
}

RecordLayout::RecordLayout(std::string name, std::vector<FieldDeclaration> fields,
                           std::vector<KeyDeclaration> keys)
    : name_(std::move(name)),
      fields_(std::move(fields)),
      keys_(std::move(keys)),
      serial_(gNextSerial++) {
  for (const auto& field : fields_) {
    if (field.characters == 0) {
      throw std::logic_error(name_ + ": field " + field.name + " is empty");
    }
    offsets_.push_back(recordLength_);
    recordLength_ += fieldBytes(field.characters);
  }
  for (auto& key : keys_) {
    std::size_t keyLength = 0;
    key.fields.clear();
    for (int component : key.components) {
      if (component < 1 || component > static_cast<int>(fields_.size())) {
        throw std::logic_error(name_ + ": key " + key.name + " names no field");
      }
      key.fields.push_back(component - 1);
      keyLength += fieldBytes(fields_[key.fields.back()].characters);
    }
    if (key.components.empty() || keyLength + kPositionHeaderRoom > kMaxPositionLength) {
      throw std::logic_error(name_ + ": key " + key.name + " does not fit a position");
    }
  }
}

int RecordLayout::keyIndex(const KeyDeclaration& key) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (&keys_[i] == &key) return static_cast<int>(i);
  }
  throw std::logic_error("key " + key.name + " is not a key of " + name_);
}

FieldRef RecordLayout::fieldIn(std::span<char> record, int fieldIndex) const {
  return {record.data() + offsets_.at(fieldIndex), fields_.at(fieldIndex).characters};
}

std::string_view RecordLayout::fieldBytesIn(std::span<const char> record, int fieldIndex) const {
  return {record.data() + offsets_.at(fieldIndex), fieldBytes(fields_.at(fieldIndex).characters)};
}

std::span<char> RecordLayout::recordBytes() const {
  return {instanceOf(*this).record.get(), recordLength_};
}

void RecordLayout::clear(Fill fill) const {
  FileInstance& instance = instanceOf(*this);
  std::memset(instance.record.get(), fillByte(fill), recordLength_);
  // The buffer no longer holds the record last read: a put or delete now has
  // nothing to act on, and a duplicate check of a new record must not pass
  // over the record that happened to be read last.
  instance.current.reset();
}

}  // namespace apprt
