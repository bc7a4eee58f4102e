// The per-user settings store: an INI file "settings.ini" in ConfigDir().
// Sections are the settings paths of the program ("RecentUnits",
// "Windows\TMainForm", ...); values are strings.
//
// A damaged or unreadable file never stops the program: lines that cannot
// be read are skipped, and what is missing takes the caller's default.
// Saving writes a temporary file in the same folder and renames it over the
// old one, so an interrupted save leaves the previous settings intact.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace torvacalc {

class TSettingsStore {
 public:
  // A store backed by the given file; it is read at once.
  explicit TSettingsStore(std::string path);

  // The program's store (settings.ini in ConfigDir()), created on first use.
  static TSettingsStore& Instance();
  // Forgets the program's store so that the next Instance() reads the
  // configuration folder anew (tests change TORVACALC_CONFIG_DIR).
  static void ResetInstance();

  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  // Writes change the store in memory; Save() makes them permanent.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void EraseSection(const std::string& section);

  // Reads the file again, dropping unsaved changes. Returns false when the
  // file exists but could not be read; the store is then empty.
  bool Reload();
  // Writes the file atomically. Returns false (and leaves the old file as it
  // was) when the folder or the file cannot be written.
  bool Save();

 private:
  std::string path_;
  mutable std::mutex lock_;
  // Section and key names compare without regard to case, as in the
  // registry the settings were designed for.
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, std::map<std::string, std::string, NoCase>, NoCase> sections_;
};

// Writes `contents` to `path` atomically: a temporary file in the same
// folder, flushed to disk, then renamed over `path`. Returns false and leaves
// an existing file untouched when any step fails; `error` then says why.
bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         std::string* error = nullptr);

// Many files written atomically as a batch: each one goes to a temporary
// file in its folder and is renamed over its name at once, as
// WriteFileAtomically does, but the flush to disk is left to Finish, which
// flushes once for the whole batch (a flush costs milliseconds, so one per
// file limits a batch to a few hundred files a second). Each folder is
// listed once for temporaries that killed saves left behind.
class TAtomicFileBatch {
 public:
  TAtomicFileBatch() = default;
  TAtomicFileBatch(const TAtomicFileBatch&) = delete;
  TAtomicFileBatch& operator=(const TAtomicFileBatch&) = delete;
  ~TAtomicFileBatch() { Finish(); }
  // As WriteFileAtomically, without the flush.
  bool Write(const std::string& path, const std::string& contents, std::string* error = nullptr);
  // Flushes what was written; false (with `error`) when a flush failed.
  bool Finish(std::string* error = nullptr);

 private:
  struct TFolder {
    std::string path;
    std::vector<std::string> dotFiles;  // listed when the first file went there
  };
  std::vector<TFolder> folders_;
};

}  // namespace torvacalc
