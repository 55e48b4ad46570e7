#include "ui/framework/skin_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <atomic>
#include <cwctype>
#include <mutex>

#include "platform/resources.h"
#include "platform/utf.h"

namespace ui {
namespace {

constexpr uint64_t kMaxEntryBytes = 64ull * 1024 * 1024;
constexpr uint64_t kMaxTotalBytes = 256ull * 1024 * 1024;
constexpr size_t kMaxEntries = 100000;

std::wstring NormalisePath(const std::wstring& path) {
  std::wstring out = path;
  for (auto& c : out) {
    if (c == L'\\') c = L'/';
  }
  return out;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<SkinArchive> SkinArchive::Open(const void* data, size_t size) {
  if (!data || size == 0) return nullptr;
  struct archive* reader = archive_read_new();
  if (!reader) return nullptr;
  archive_read_support_format_7zip(reader);
  archive_read_support_filter_all(reader);
  if (archive_read_open_memory(reader, data, size) != ARCHIVE_OK) {
    archive_read_free(reader);
    return nullptr;
  }
  auto skin = std::make_unique<SkinArchive>();
  uint64_t total = 0;
  uint32_t index = 0;
  bool ok = true;
  struct archive_entry* entry = nullptr;
  int rc;
  while ((rc = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
    uint32_t thisIndex = index++;
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    const char* name = archive_entry_pathname_utf8(entry);
    if (!name) name = archive_entry_pathname(entry);
    if (!name || skin->entries_.size() >= kMaxEntries) {
      ok = false;
      break;
    }
    Entry e;
    e.path = NormalisePath(platform::Utf8ToWide(name));
    e.pathLength = e.path.size() + 1;
    e.index = thisIndex;
    // Read until the end rather than trusting the header's size.
    char buffer[65536];
    la_ssize_t n;
    while ((n = archive_read_data(reader, buffer, sizeof buffer)) > 0) {
      total += static_cast<uint64_t>(n);
      if (e.bytes.size() + static_cast<size_t>(n) > kMaxEntryBytes || total > kMaxTotalBytes) {
        n = -1;
        break;
      }
      e.bytes.append(buffer, static_cast<size_t>(n));
    }
    if (n < 0) {
      ok = false;
      break;
    }
    e.size = e.bytes.size();
    skin->entries_.push_back(std::move(e));
  }
  if (rc != ARCHIVE_EOF || skin->entries_.empty()) ok = false;  // a skin without files is no skin
  archive_read_free(reader);
  if (!ok) return nullptr;
  return skin;
}

bool SkinArchive::Find(const std::wstring& path, std::string& bytes) const {
  std::wstring wanted = NormalisePath(path);
  for (const auto& e : entries_) {
    if (e.pathLength == wanted.size() + 1 && EqualIgnoringCase(e.path, wanted)) {
      bytes = e.bytes;
      return true;
    }
  }
  return false;
}

namespace {
la_ssize_t AppendToString(struct archive*, void* context, const void* buffer, size_t length) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(buffer), length);
  return static_cast<la_ssize_t>(length);
}
}  // namespace

std::string Build7zArchive(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string out;
  struct archive* writer = archive_write_new();
  if (!writer) return out;
  archive_write_set_format_7zip(writer);
  archive_write_set_format_option(writer, "7zip", "compression", "lzma2");
  archive_write_set_bytes_in_last_block(writer, 1);  // no padding after the archive
  archive_write_open(writer, &out, nullptr, AppendToString, nullptr);
  for (const auto& [path, bytes] : files) {
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, path.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
    archive_write_header(writer, entry);
    if (!bytes.empty()) archive_write_data(writer, bytes.data(), bytes.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return out;
}

namespace skin {
namespace {
struct State {
  std::mutex lock;
  std::vector<uint8_t> buffer;  // the archive bytes, owned by the process
  std::unique_ptr<SkinArchive> archive;
  int openCount = 0;
};
State& GetState() {
  static State state;
  return state;
}
}  // namespace

bool OpenFromBuffer(std::vector<uint8_t> buffer) {
  auto& s = GetState();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.archive) return true;
  if (buffer.empty()) return false;
  ++s.openCount;
  auto archive = SkinArchive::Open(buffer.data(), buffer.size());
  if (!archive) return false;
  s.buffer = std::move(buffer);
  s.archive = std::move(archive);
  return true;
}

bool OpenFromResource(int resourceId) {
  if (IsOpen()) return true;
  platform::ResourceBytes res;
  if (!platform::FindResourceBytes(L"ZIPRES", resourceId, res) || res.size == 0) return false;
  return OpenFromBuffer(std::vector<uint8_t>(res.data, res.data + res.size));
}

bool IsOpen() {
  auto& s = GetState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.archive != nullptr;
}

bool ReadFile(const std::wstring& path, std::string& bytes) {
  auto& s = GetState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.archive && s.archive->Find(path, bytes);
}

int OpenCount() {
  auto& s = GetState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.openCount;
}

void ResetForTesting() {
  auto& s = GetState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.archive.reset();
  s.buffer.clear();
  s.openCount = 0;
}
}  // namespace skin

}  // namespace ui
