// The history of single calculations ("Verlauf") as a file: one line of text
// a calculation, newest first, behind a version line. The reader is strict
// and bounded: a file that is larger than the writer can make, has more
// entries than it keeps or holds one line it would not write is damaged as a
// whole, and the caller sets it aside instead of guessing at its content.
//
//   fapkalk-verlauf 1
//   <moment>\t<FAP|AEP>\t<input>\t<switches>\t<VAT>\t<FAP>\t<AEP>\t<KP>\t<AVP>
//
// moment: seconds since 1970-01-01 UTC; input and the four prices: amounts
// with two decimals ("12.50"), the FAP empty for an AEP input; switches: the
// letters H (homöopathisch), S (Suchtgift), V (Veterinär), N (nicht
// kassenzulässig) in that order, "-" for none; VAT: the whole rate.
#pragma once

#include "pricing/engine.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fapkalk::history {

struct HistoryEntry {
    std::int64_t moment = 0;     // seconds since 1970-01-01 UTC
    std::int64_t inputCents = 0; // the price computed, as typed (FAP or AEP)
    CalcOptions options;         // AepInput: the input is an AEP
    unsigned vatRate = 10;
    std::int64_t fapCents = 0; // the four prices as shown; FAP 0 for an AEP input
    std::int64_t aepCents = 0;
    std::int64_t kpCents = 0;
    std::int64_t avpCents = 0;
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

inline constexpr std::string_view kHistoryVersionLine = "fapkalk-verlauf 1\n";
inline constexpr std::size_t kMaxHistoryEntries = 1000;
// Every amount the window shows fits its 10-character cell: below 10^9 cents.
inline constexpr std::int64_t kMaxHistoryCents = 999'999'999;
// The longest line: a moment of 19 digits, basis, five amounts of 10
// characters, four switch letters, the rate, eight tabs and the line end.
inline constexpr std::size_t kMaxHistoryLineSize = 19 + 3 + 5 * 10 + 4 + 2 + 8 + 1;
inline constexpr std::size_t kMaxHistoryFileSize =
    kHistoryVersionLine.size() + kMaxHistoryEntries * kMaxHistoryLineSize;

// Whether the writer can write the entry: amounts of 0 to kMaxHistoryCents,
// a rate below 100, a moment of 0 or more, switches the window allows.
bool IsWritable(const HistoryEntry& entry);

// The file's text for the first kMaxHistoryEntries writable entries (others
// are left out); never larger than kMaxHistoryFileSize.
std::string HistoryText(const std::vector<HistoryEntry>& entries);

// The entries of a file's text; nullopt when the text is damaged (problem
// says how, in German, naming the line).
std::optional<std::vector<HistoryEntry>> ParseHistory(std::string_view text, std::string* problem);

// "$XDG_DATA_HOME/fapkalk" when that is an absolute path, else
// "$HOME/.local/share/fapkalk" when HOME is; empty when neither is.
std::string HistoryFolderFor(std::string_view xdgDataHome, std::string_view home);
inline constexpr std::string_view kHistoryFileName = "verlauf.txt";

// The history on disk.
struct HistoryLoad {
    std::vector<HistoryEntry> entries; // empty when there is no file or it was damaged
    std::string problem;               // set when the file was damaged or unreadable
    std::string setAsideTo;            // where a damaged file was moved ("" if it stayed)
};
// Reads folder/verlauf.txt. A missing file is an empty history. A damaged one
// is renamed to verlauf.txt.defekt-<stamp> (stamp: the moment given, as
// YYYYMMDD-HHMMSS UTC) so the next save does not replace it unseen.
HistoryLoad LoadHistory(const std::string& folder, std::int64_t now);
// Writes the file through the safe file writer, making the folder first.
// Returns an empty text on success, otherwise the reason (German).
std::string SaveHistory(const std::string& folder, const std::vector<HistoryEntry>& entries);

// The history of a run of the program: loaded once from its folder, saved
// after every change. Without a folder (no home folder, "/noini") it is kept
// in memory only; so it is after a file that could be neither read nor set
// aside, and after a failed save, so that one fault gives one message.
// The texts returned are the message to show (German), empty when all is well.
class HistoryBook {
public:
    explicit HistoryBook(std::string folder) : folder_(std::move(folder)) {}

    // Reads the file the first time it is called; later calls do nothing.
    std::string Load(std::int64_t now);
    const std::vector<HistoryEntry>& Entries() const { return entries_; }
    bool OnDisk() const { return !folder_.empty(); }
    std::string Path() const;

    // Newest first; the oldest beyond kMaxHistoryEntries are dropped.
    std::string Add(const HistoryEntry& entry);
    // Removes the entries at these indexes (of Entries()).
    std::string Remove(std::vector<std::size_t> indexes);
    std::string Clear();

private:
    std::string Save();
    std::string folder_;
    std::vector<HistoryEntry> entries_;
    bool loaded_ = false;
};

} // namespace fapkalk::history
