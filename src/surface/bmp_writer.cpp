#include "surface/bmp_writer.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint16_t kBmpMagic = 0x4D42; // "BM"

void StoreU32(std::uint8_t *p, std::uint32_t v) { StoreI32(p, static_cast<std::int32_t>(v)); }
void StoreU16(std::uint8_t *p, std::uint16_t v) { StoreI16(p, static_cast<std::int16_t>(v)); }

void StoreInfoHeader(std::uint8_t *p, const BitmapInfoHeader &h) {
  StoreU32(p + 0, h.biSize);
  StoreI32(p + 4, h.biWidth);
  StoreI32(p + 8, h.biHeight);
  StoreU16(p + 12, h.biPlanes);
  StoreU16(p + 14, h.biBitCount);
  StoreU32(p + 16, h.biCompression);
  StoreU32(p + 20, h.biSizeImage);
  StoreI32(p + 24, h.biXPelsPerMeter);
  StoreI32(p + 28, h.biYPelsPerMeter);
  StoreU32(p + 32, h.biClrUsed);
  StoreU32(p + 36, h.biClrImportant);
}

std::string ProgramName() {
  std::error_code ec;
  std::string name = fs::read_symlink("/proc/self/exe", ec).filename().string();
  constexpr std::string_view kDeleted = " (deleted)"; // the binary was replaced while running
  if (name.ends_with(kDeleted))
    name.erase(name.size() - kDeleted.size());
  name = fs::path(name).stem().string();
  return ec || name.empty() ? "tessary" : name;
}

[[noreturn]] void FailSave(const std::string &fileName, int code) {
  throw Error(kErrorSavingFileText, fileName + ": " + ApiError(code), kSavePictureErrorNumber,
              SavePictureErrorSource());
}

// Writes a new file beside the target and renames it over the target only when every byte
// made it, so the target never holds a half-written picture. Each step answers 0 or the errno
// value of what went wrong; a pending file that is not committed is removed.
class PendingFile {
public:
  explicit PendingFile(fs::path target) : target_(std::move(target)) {}
  ~PendingFile() { Discard(); }
  PendingFile(const PendingFile &) = delete;
  PendingFile &operator=(const PendingFile &) = delete;

  int Create() {
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
      return errno;
    if (exists && S_ISDIR(existing.st_mode))
      return EISDIR;
    // A read-only file stays unchanged, as it would if it were opened for writing.
    if (exists && ::access(target_.c_str(), W_OK) != 0)
      return errno;
    if (int code = OpenFreshFile(); code != 0)
      return code;
    if (exists) // keep the permissions of the file being replaced
      (void)::fchmod(fd_, existing.st_mode & 07777);
    return 0;
  }

  int Write(const std::uint8_t *data, std::size_t size) {
    std::size_t written = 0;
    bool ok = true;
    int code = 0;
    while (written < size) {
      const ssize_t n = ::write(fd_, data + written, size - written);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0) {
        ok = false;
        code = n < 0 ? errno : EIO;
        break;
      }
      written += static_cast<std::size_t>(n);
    }
    return WriteFailed(ok, size, written) ? code : 0;
  }

  int Commit() {
    if (::fdatasync(fd_) != 0 && errno != EINVAL && errno != ENOTSUP)
      return errno;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR)
      return errno;
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
      return errno;
    temp_.clear();
    return 0;
  }

private:
  // Creates a file no one else has, named so that it is easy to recognise as ours.
  int OpenFreshFile() {
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
      const fs::path candidate =
          folder / (".tessary-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                    "-" + std::to_string(entropy() % 1000000) + ".tmp");
      fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        temp_ = candidate;
        return 0;
      }
      if (errno != EEXIST)
        return errno;
    }
    return EEXIST;
  }

  void Discard() {
    if (fd_ >= 0)
      ::close(std::exchange(fd_, -1));
    if (!temp_.empty())
      ::unlink(temp_.c_str());
  }

  fs::path target_;
  fs::path temp_;
  int fd_ = -1;
};

// A link is followed, so saving through it replaces the picture it points to.
fs::path ResolvedTarget(const std::string &fileName) {
  std::error_code ec;
  if (fs::is_symlink(fileName, ec)) {
    fs::path real = fs::weakly_canonical(fileName, ec);
    if (!ec)
      return real;
  }
  return fileName;
}

} // namespace

std::string ApiError(int e) { return e == 0 ? std::string() : std::system_category().message(e); }

bool WriteFailed(bool result, std::size_t requested, std::size_t written) {
  return !(result && requested == written);
}

std::array<std::uint8_t, kBmpHeadersSize> BmpHeaderBytes(const cDIBSection &surface) {
  const BitmapInfoHeader &info = surface.Header();
  std::array<std::uint8_t, kBmpHeadersSize> bytes{};
  StoreU16(bytes.data(), kBmpMagic);
  // The surface never holds more than a BMP file's 32-bit size field can count.
  StoreU32(bytes.data() + 2, static_cast<std::uint32_t>(kBmpHeadersSize + info.biSizeImage));
  StoreU32(bytes.data() + 10, static_cast<std::uint32_t>(kBmpHeadersSize));
  StoreInfoHeader(bytes.data() + kFileHeaderSize, info);
  return bytes;
}

std::vector<std::uint8_t> BmpFileBytes(const cDIBSection &surface) {
  const auto headers = BmpHeaderBytes(surface);
  std::vector<std::uint8_t> bytes(headers.size() + surface.BitsSize());
  std::copy(headers.begin(), headers.end(), bytes.begin());
  std::copy_n(surface.Bits(), surface.BitsSize(), bytes.begin() + headers.size());
  return bytes;
}

std::string SavePictureErrorSource() {
  static const std::string source = ProgramName() + ".cDIBSection256";
  return source;
}

void cDIBSection::SavePicture(const std::string &sFileName) const {
  const auto headers = BmpHeaderBytes(*this);
  PendingFile file(ResolvedTarget(sFileName));
  int code = file.Create();
  if (code == 0)
    code = file.Write(headers.data(), headers.size());
  if (code == 0)
    code = file.Write(Bits(), BitsSize()); // the storage is already in the file's own layout
  if (code == 0)
    code = file.Commit();
  if (code != 0)
    FailSave(sFileName, code);
}

} // namespace tessary
