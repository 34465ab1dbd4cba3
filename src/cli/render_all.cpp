#include "cli/render_all.hpp"

#include "archive/extract.hpp"
#include "cli/archive_commands.hpp"
#include "cli/created_folders.hpp"
#include "cli/output_checks.hpp"
#include "cli/progress_line.hpp"
#include "common/error.hpp"
#include "common/in_flight_files.hpp"
#include "common/paths.hpp"
#include "common/printable_text.hpp"
#include "common/safe_write.hpp"
#include "sprite/rgba.hpp"
#include "sprite/slp_decoder.hpp"
#include "sprite/slp_loader.hpp"
#include "surface/bmp_writer.hpp"
#include "surface/png_writer.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tessary::cli {

namespace fs = std::filesystem;

namespace {

// One sprite of the archive and what became of it.
struct SpriteJob {
  std::int32_t id = 0;
  std::string folderName; // ID, or ID-2, ID-3, ... for a repeated identifier
  std::string name;       // how messages name it: "resource ID of ARCHIVE"
  std::optional<SLPFile> sprite;
  std::string broken; // why it is skipped; empty while it is not

  // Filled by the pieces of a split sprite; written by the one that finishes last.
  std::vector<std::vector<std::uint8_t>> pictures;
  std::atomic<int> piecesLeft{0};
  std::mutex brokenLock; // guards broken and brokenFrame while pieces run
  std::int32_t brokenFrame = 0;
};

// A run of frames of one sprite, decoded by one worker.
struct Piece {
  SpriteJob *job = nullptr;
  std::int32_t first = 1, last = 0;
  // A split sprite's pieces decode at once on several workers, and the decoder keeps what it
  // learns of a sprite with the sprite: each piece but the first gets its own copy.
  std::optional<SLPFile> own;
  const SLPFile &sprite() const { return own ? *own : *job->sprite; }
};

std::string PictureName(std::int32_t n, PictureFormat format) {
  return PadNumber(n) + (format == PictureFormat::Png ? ".png" : ".bmp");
}

// Folder names per sprite: ID, then ID-2, ID-3, ... for later entries of the same identifier.
// An identifier never has a minus sign after a digit, so these never take another's name.
std::vector<std::unique_ptr<SpriteJob>> PlanSprites(const OpenedArchive &archive) {
  std::vector<std::unique_ptr<SpriteJob>> jobs;
  std::unordered_map<std::int32_t, int> seen;
  const auto &contents = archive.contents;
  for (std::size_t i = 0; i < contents.lines.size(); ++i) {
    if (contents.lines[i].kind != kKindSprite)
      continue;
    auto job = std::make_unique<SpriteJob>();
    job->id = contents.lines[i].entry.id;
    const int copy = ++seen[job->id];
    job->folderName = std::to_string(job->id) + (copy > 1 ? "-" + std::to_string(copy) : "");
    job->name = "resource " + std::to_string(job->id) + " of " + archive.file.path();
    try {
      job->sprite = ParseSLP(
          ReadResource(archive.file, contents.lines[i].entry, ErrorKind::SpriteRead), job->name);
    } catch (const Error &e) {
      job->broken = e.detail().empty() ? e.message() : e.detail();
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

std::int64_t FramePixels(const SLPFrameInfo &f) {
  return f.width > 0 && f.height > 0 ? std::int64_t{f.width} * f.height : 0;
}

// Cuts every sprite into runs of frames of about piecePixels each (most sprites stay whole).
std::vector<Piece> CutPieces(std::vector<std::unique_ptr<SpriteJob>> &jobs,
                             std::int64_t piecePixels) {
  std::vector<Piece> pieces;
  for (auto &job : jobs) {
    if (!job->sprite)
      continue;
    const SLPFile &sprite = *job->sprite;
    const std::size_t firstPiece = pieces.size();
    std::int64_t pixels = 0;
    for (std::int32_t n = 1; n <= sprite.frameCount(); ++n) {
      if (pieces.size() == firstPiece || pixels >= piecePixels) {
        pieces.push_back({job.get(), n, n, std::nullopt});
        pixels = 0;
      }
      pieces.back().last = n;
      pixels += FramePixels(sprite.frames[static_cast<std::size_t>(n - 1)]);
    }
    const std::size_t count = pieces.size() - firstPiece;
    job->piecesLeft = static_cast<int>(count);
    if (count > 1) {
      job->pictures.resize(static_cast<std::size_t>(sprite.frameCount()));
      for (std::size_t p = firstPiece + 1; p < pieces.size(); ++p) {
        pieces[p].own = sprite;
        pieces[p].own->idleRuns.reset();
      }
    }
  }
  return pieces;
}

// The folders this call made and the files it put in place, so that a failed call can take them
// away again.
class CallOutputs {
public:
  explicit CallOutputs(const fs::path &root) : root_(root) {}
  CallOutputs(const CallOutputs &) = delete;
  CallOutputs &operator=(const CallOutputs &) = delete;

  // Makes a sprite's folder; false when it was already there.
  bool makeFolder(const fs::path &folder) {
    std::error_code ec;
    if (fs::create_directory(folder, ec)) {
      const std::lock_guard guard(lock_);
      spriteFolders_.push_back(folder);
      inFlight_.push_back(std::make_unique<InFlightPath>(folder, InFlightPath::Kind::folder));
      return true;
    }
    if (!ec) // a folder of that name was there already
      return false;
    throw Error(ErrorKind::Save, TextOf(folder),
                "cannot create the folder " + TextOf(folder) + ": " + ec.message());
  }

  void addFiles(std::vector<std::string> &&files) {
    const std::lock_guard guard(lock_);
    for (auto &f : files)
      newFiles_.push_back(std::move(f));
  }

  // Removes every new file, then the folders made for them (innermost first, only when empty).
  void removeAll() {
    std::error_code ec;
    for (const auto &f : newFiles_)
      fs::remove(PathOf(f), ec);
    for (auto f = spriteFolders_.rbegin(); f != spriteFolders_.rend(); ++f)
      fs::remove(*f, ec);
  }

  // Keeps the output folder when the call succeeded.
  void keep() { root_.keep(); }

private:
  CreatedFolders root_; // removed again, when this call made it, unless kept
  std::mutex lock_;
  std::vector<fs::path> spriteFolders_;
  std::vector<std::string> newFiles_;
  std::vector<std::unique_ptr<InFlightPath>> inFlight_;
};

bool Exists(const std::string &path) { // a link counts, even one that names nothing
  std::error_code ec;
  return fs::exists(fs::symlink_status(PathOf(path), ec));
}

// Everything the workers share.
class Run {
public:
  Run(const RenderAllSettings &settings, std::vector<Piece> &pieces, CallOutputs &outputs)
      : settings_(settings), pieces_(pieces), outputs_(outputs), root_(PathOf(settings.folder)) {}

  void work() {
    Worker worker;
    while (!stop_) {
      const std::size_t i = next_.fetch_add(1);
      if (i >= pieces_.size())
        break;
      try {
        render(pieces_[i], worker);
      } catch (const Error &e) {
        fail(e);
      } catch (const std::bad_alloc &) {
        fail(OutOfMemoryError());
      } catch (const std::exception &e) {
        fail(Error(ErrorKind::Save, settings_.folder, e.what()));
      }
    }
  }

  std::int64_t framesDone() const { return done_; }
  const std::optional<Error> &failure() const { return failure_; }

private:
  // What each worker keeps from frame to frame.
  struct Worker {
    cDIBSection image, layerMap;
    std::vector<std::uint8_t> picture;
  };

  void fail(const Error &e) {
    const std::lock_guard guard(failureLock_);
    if (!failure_)
      failure_ = e;
    stop_ = true;
  }

  // The picture of frame n into worker.picture: the bytes `frame` writes for it.
  void picture(const SLPFile &sprite, std::int32_t n, Worker &worker) {
    if (settings_.format == PictureFormat::Png) {
      EncodePNGInto(RenderFrameRgba(sprite, n, settings_.palette, settings_.options, worker.image,
                                    worker.layerMap),
                    worker.picture);
      return;
    }
    DecodeSLPFrame(sprite, sprite.frame(n), settings_.palette, worker.image, worker.layerMap, {},
                   ChosenColours(settings_.options));
    const auto header = BmpHeaderBytes(worker.image);
    worker.picture.assign(header.begin(), header.end());
    worker.picture.insert(worker.picture.end(), worker.image.Bits(),
                          worker.image.Bits() + worker.image.BitsSize());
  }

  // Decodes a piece; false when the sprite turned out broken (its reason is noted).
  bool decodePiece(Piece &piece, Worker &worker, FileSet *files) {
    SpriteJob &job = *piece.job;
    for (std::int32_t n = piece.first; n <= piece.last && !stop_; ++n) {
      try {
        picture(piece.sprite(), n, worker);
      } catch (const Error &e) {
        if (e.kind() != ErrorKind::SpriteRead)
          throw;
        markBroken(job, n, e);
        done_ += piece.last - n + 1; // the frames given up count as done for the progress
        return false;
      }
      if (files) {
        files->Add(PathOf(spritePath(job, n)));
        files->Write(worker.picture);
      } else {
        job.pictures[static_cast<std::size_t>(n - 1)] = worker.picture;
      }
      ++done_;
    }
    return !stop_;
  }

  void markBroken(SpriteJob &job, std::int32_t n, const Error &e) {
    const std::lock_guard guard(job.brokenLock);
    // The earliest frame's reason, whichever piece met its own first.
    if (job.broken.empty() || n < job.brokenFrame) {
      job.broken =
          "frame " + std::to_string(n) + ": " + (e.detail().empty() ? e.message() : e.detail());
      job.brokenFrame = n;
    }
  }

  std::string spritePath(const SpriteJob &job, std::int32_t n) const {
    return TextOf(root_ / job.folderName / PictureName(n, settings_.format));
  }

  void render(Piece &piece, Worker &worker) {
    SpriteJob &job = *piece.job;
    const bool whole = piece.first == 1 && piece.last == piece.sprite().frameCount();
    if (whole) {
      const bool folderMade = prepareFolder(job);
      bool written = false;
      {
        FileSet files(SavePictureErrors());
        written = decodePiece(piece, worker, &files);
        if (written)
          commit(job, files, folderMade);
      } // an unfinished set takes its temporary files away here
      if (!written)
        dropFolder(job, folderMade);
      return;
    }
    const bool good = decodePiece(piece, worker, nullptr);
    if (--job.piecesLeft > 0 || stop_)
      return;
    {
      const std::lock_guard guard(job.brokenLock);
      if (!good || !job.broken.empty())
        return;
    }
    FileSet files(SavePictureErrors());
    const bool folderMade = prepareFolder(job);
    for (std::int32_t n = 1; n <= job.sprite->frameCount(); ++n) {
      files.Add(PathOf(spritePath(job, n)));
      files.Write(job.pictures[static_cast<std::size_t>(n - 1)]);
    }
    commit(job, files, folderMade);
    job.pictures.clear();
    job.pictures.shrink_to_fit();
  }

  bool prepareFolder(const SpriteJob &job) { return outputs_.makeFolder(root_ / job.folderName); }

  // A skipped sprite leaves no folder behind that this call made for it.
  void dropFolder(const SpriteJob &job, bool folderMade) {
    if (folderMade) {
      std::error_code ec;
      fs::remove(root_ / job.folderName, ec);
    }
  }

  void commit(SpriteJob &job, FileSet &files, bool folderMade) {
    std::vector<std::string> fresh;
    for (std::int32_t n = 1; n <= job.sprite->frameCount(); ++n) {
      std::string path = spritePath(job, n);
      // In a folder this call made every file is new; elsewhere only those not there before.
      if (folderMade || !Exists(path))
        fresh.push_back(std::move(path));
    }
    files.Commit();
    outputs_.addFiles(std::move(fresh));
  }

  const RenderAllSettings &settings_;
  std::vector<Piece> &pieces_;
  CallOutputs &outputs_;
  const fs::path root_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::int64_t> done_{0};
  std::atomic<bool> stop_{false};
  std::mutex failureLock_;
  std::optional<Error> failure_;
};

// No picture may land on the archive or the palette the call reads: only a folder that is
// already there can hold such a name (or a link to one), so only those are looked at.
void RefuseWritingOntoInputs(const RenderAllSettings &settings,
                             const std::vector<std::unique_ptr<SpriteJob>> &jobs) {
  for (const auto &job : jobs) {
    if (!job->sprite)
      continue;
    const fs::path folder = PathOf(settings.folder) / job->folderName;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
      continue;
    std::vector<std::string> outputs;
    for (std::int32_t n = 1; n <= job->sprite->frameCount(); ++n)
      outputs.push_back(TextOf(folder / PictureName(n, settings.format)));
    RefuseWritingOnto(settings.archive, kOpenArchiveRole, outputs);
    if (!settings.paletteFile.empty())
      RefuseWritingOnto(settings.paletteFile, kPaletteFileRole, outputs);
  }
}

std::int64_t TotalFrames(const std::vector<Piece> &pieces) {
  std::int64_t total = 0;
  for (const Piece &p : pieces)
    total += p.last - p.first + 1;
  return total;
}

// Runs the workers and redraws the progress line while they work. The workers are started with
// the interrupting signals held back, so those always reach this thread, which changes no list
// of temporary files itself while it waits.
void RunWorkers(Run &run, unsigned jobs, ProgressLine &progress) {
  std::mutex lock;
  std::condition_variable finished;
  std::atomic<unsigned> running{jobs};
  std::vector<std::jthread> workers;
  {
    const HeldSignals held;
    for (unsigned j = 0; j < jobs; ++j)
      workers.emplace_back([&] {
        run.work();
        const std::lock_guard guard(lock);
        if (--running == 0)
          finished.notify_all();
      });
  }
  std::unique_lock guard(lock);
  while (running > 0) {
    finished.wait_for(guard, std::chrono::milliseconds(100));
    progress.update(run.framesDone());
  }
  progress.update(run.framesDone());
}

} // namespace

unsigned DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

std::string SummaryLine(const RenderAllSummary &summary) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
  return std::to_string(summary.sprites) + " sprites, " + std::to_string(summary.frames) +
         " frames, " + std::to_string(summary.skipped) + " skipped in " + seconds + " s";
}

RenderAllSummary RenderAll(const RenderAllSettings &settings, std::ostream &err) {
  const auto start = std::chrono::steady_clock::now();
  const OpenedArchive archive = OpenArchive(settings.archive, settings.force);
  auto jobs = PlanSprites(archive);
  RefuseWritingOntoInputs(settings, jobs);
  std::vector<Piece> pieces = CutPieces(jobs, settings.piecePixels);

  CallOutputs outputs{PathOf(settings.folder)};
  Run run(settings, pieces, outputs);
  const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(
      settings.jobs == 0 ? DefaultJobs() : settings.jobs, std::max<std::size_t>(pieces.size(), 1)));
  {
    ProgressLine progress(err, settings.progressOnTerminal, "frames", TotalFrames(pieces));
    RunWorkers(run, workers, progress);
  }
  if (run.failure()) {
    outputs.removeAll();
    throw *run.failure();
  }
  outputs.keep();

  RenderAllSummary summary;
  for (const auto &job : jobs) {
    if (!job->broken.empty()) {
      err << PrintableText("skipped " + job->name + ": " + job->broken) << "\n";
      ++summary.skipped;
      continue;
    }
    ++summary.sprites;
    summary.frames += job->sprite->frameCount();
  }
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary;
}

} // namespace tessary::cli
