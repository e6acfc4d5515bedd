#include "settings/history_file.h"

#include "platform/file_writer.h"
#include "platform/system_error_text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fapkalk::history {

namespace {

constexpr char kSwitchLetters[] = {'H', 'S', 'V', 'N'};

bool SwitchOn(const CalcOptions& options, std::size_t i) {
    switch (i) {
    case 0:
        return options.Homeopathic;
    case 1:
        return options.Narcotic;
    case 2:
        return options.Veterinary;
    default:
        return options.NotReimbursable;
    }
}

void SetSwitch(CalcOptions& options, std::size_t i) {
    (i == 0   ? options.Homeopathic
     : i == 1 ? options.Narcotic
     : i == 2 ? options.Veterinary
              : options.NotReimbursable) = true;
}

void AppendAmount(std::string& text, std::int64_t cents) {
    text += std::to_string(cents / 100);
    text += '.';
    text += static_cast<char>('0' + cents % 100 / 10);
    text += static_cast<char>('0' + cents % 10);
}

// Digits only, no sign, no leading zero but for "0".
std::optional<std::int64_t> ReadWhole(std::string_view text, std::int64_t max) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return std::nullopt;
    return value;
}

// "12.50" exactly as AppendAmount writes it.
std::optional<std::int64_t> ReadAmount(std::string_view text) {
    if (text.size() < 4 || text[text.size() - 3] != '.')
        return std::nullopt;
    const auto euros = ReadWhole(text.substr(0, text.size() - 3), kMaxHistoryCents / 100);
    const std::string_view cents = text.substr(text.size() - 2);
    if (!euros || cents[0] < '0' || cents[0] > '9' || cents[1] < '0' || cents[1] > '9')
        return std::nullopt;
    const std::int64_t value = *euros * 100 + (cents[0] - '0') * 10 + (cents[1] - '0');
    if (value > kMaxHistoryCents)
        return std::nullopt;
    return value;
}

std::optional<HistoryEntry> ReadLine(std::string_view line) {
    std::string_view fields[9];
    std::size_t count = 0;
    for (;;) {
        const std::size_t tab = line.find('\t');
        if (count == std::size(fields))
            return std::nullopt;
        fields[count++] = line.substr(0, tab);
        if (tab == std::string_view::npos)
            break;
        line.remove_prefix(tab + 1);
    }
    if (count != std::size(fields))
        return std::nullopt;
    HistoryEntry entry;
    const auto moment = ReadWhole(fields[0], INT64_MAX);
    if (!moment || (fields[1] != "FAP" && fields[1] != "AEP"))
        return std::nullopt;
    entry.moment = *moment;
    entry.options.AepInput = fields[1] == "AEP";
    if (fields[3] != "-") {
        std::size_t next = 0; // the letters in their order, each once
        for (const char letter : fields[3]) {
            while (next < std::size(kSwitchLetters) && kSwitchLetters[next] != letter)
                ++next;
            if (next == std::size(kSwitchLetters))
                return std::nullopt;
            SetSwitch(entry.options, next++);
        }
        if (fields[3].empty())
            return std::nullopt;
    }
    const auto vat = ReadWhole(fields[4], 99);
    if (!vat)
        return std::nullopt;
    entry.vatRate = static_cast<unsigned>(*vat);
    std::int64_t* amounts[] = {&entry.inputCents, &entry.fapCents, &entry.aepCents, &entry.kpCents,
                               &entry.avpCents};
    const std::string_view texts[] = {fields[2], fields[5], fields[6], fields[7], fields[8]};
    for (std::size_t i = 0; i < std::size(amounts); ++i) {
        // An AEP input has no FAP to give.
        if (i == 1 && entry.options.AepInput && texts[i].empty())
            continue;
        const auto value = ReadAmount(texts[i]);
        if (!value || (i == 1 && entry.options.AepInput))
            return std::nullopt;
        *amounts[i] = *value;
    }
    if (!IsWritable(entry))
        return std::nullopt;
    return entry;
}

std::string StampOf(std::int64_t now) {
    const auto seconds = static_cast<std::time_t>(now);
    std::tm parts{};
    char text[32] = "00000000-000000";
    if (::gmtime_r(&seconds, &parts) != nullptr)
        std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
    return text;
}

// The whole file, at most limit + 1 bytes (more shows it is too large).
// Symbolic links are followed only where the writer would follow them.
int ReadBounded(const std::string& path, std::size_t limit, std::string& out) {
    const LinkResolution resolved = ResolveLinks(path);
    if (resolved.path.empty())
        return resolved.error != 0 ? resolved.error : EACCES;
    const int fd = ::open(resolved.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        return code;
    }
    if (!S_ISREG(st.st_mode)) { // a folder, pipe or device is no history
        ::close(fd);
        return EINVAL;
    }
    out.resize(limit + 1);
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return code;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return 0;
}

// Makes folder and its missing parents.
int MakeFolders(const std::string& folder) {
    for (std::size_t slash = 1; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

} // namespace

bool IsWritable(const HistoryEntry& entry) {
    const bool amountsFit = [&entry] {
        for (const std::int64_t cents :
             {entry.inputCents, entry.fapCents, entry.aepCents, entry.kpCents, entry.avpCents})
            if (cents < 0 || cents > kMaxHistoryCents)
                return false;
        return true;
    }();
    const CalcOptions& o = entry.options;
    return amountsFit && entry.moment >= 0 && entry.vatRate < 100 &&
           !(o.AepInput && entry.fapCents != 0) && !(o.NotReimbursable && o.Veterinary) &&
           !(o.NotReimbursable && o.Homeopathic);
}

std::string HistoryText(const std::vector<HistoryEntry>& entries) {
    std::string text(kHistoryVersionLine);
    std::size_t written = 0;
    for (const HistoryEntry& entry : entries) {
        if (written == kMaxHistoryEntries)
            break;
        if (!IsWritable(entry))
            continue;
        ++written;
        text += std::to_string(entry.moment);
        text += entry.options.AepInput ? "\tAEP\t" : "\tFAP\t";
        AppendAmount(text, entry.inputCents);
        text += '\t';
        const std::size_t before = text.size();
        for (std::size_t i = 0; i < std::size(kSwitchLetters); ++i)
            if (SwitchOn(entry.options, i))
                text += kSwitchLetters[i];
        if (text.size() == before)
            text += '-';
        text += '\t';
        text += std::to_string(entry.vatRate);
        text += '\t';
        if (!entry.options.AepInput)
            AppendAmount(text, entry.fapCents);
        for (const std::int64_t cents : {entry.aepCents, entry.kpCents, entry.avpCents}) {
            text += '\t';
            AppendAmount(text, cents);
        }
        text += '\n';
    }
    return text;
}

std::optional<std::vector<HistoryEntry>> ParseHistory(std::string_view text, std::string* problem) {
    const auto fail = [problem](const std::string& why) {
        if (problem != nullptr)
            *problem = why;
        return std::nullopt;
    };
    if (text.size() > kMaxHistoryFileSize)
        return fail("die Datei ist größer als " + std::to_string(kMaxHistoryFileSize) + " Bytes");
    if (!text.starts_with(kHistoryVersionLine))
        return fail("Zeile 1 ist nicht \"" +
                    std::string(kHistoryVersionLine.substr(0, kHistoryVersionLine.size() - 1)) +
                    "\"");
    text.remove_prefix(kHistoryVersionLine.size());
    std::vector<HistoryEntry> entries;
    for (std::size_t number = 2; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return fail("Zeile " + std::to_string(number) + " endet nicht mit einem Zeilenende");
        if (entries.size() == kMaxHistoryEntries)
            return fail("mehr als " + std::to_string(kMaxHistoryEntries) + " Einträge");
        const std::optional<HistoryEntry> entry = ReadLine(text.substr(0, end));
        if (!entry)
            return fail("Zeile " + std::to_string(number) + " ist kein Eintrag");
        entries.push_back(*entry);
        text.remove_prefix(end + 1);
    }
    return entries;
}

std::string HistoryFolderFor(std::string_view xdgDataHome, std::string_view home) {
    if (xdgDataHome.starts_with('/'))
        return std::string(xdgDataHome) + "/fapkalk";
    if (home.starts_with('/'))
        return std::string(home) + "/.local/share/fapkalk";
    return {};
}

HistoryLoad LoadHistory(const std::string& folder, std::int64_t now) {
    HistoryLoad load;
    const std::string path = folder + "/" + std::string(kHistoryFileName);
    std::string text;
    if (const int code = ReadBounded(path, kMaxHistoryFileSize, text); code != 0) {
        if (code != ENOENT)
            load.problem = SystemErrorText(code);
        return load;
    }
    std::string why;
    if (auto entries = ParseHistory(text, &why)) {
        load.entries = std::move(*entries);
        return load;
    }
    load.problem = why;
    const std::string aside = path + ".defekt-" + StampOf(now);
    if (std::rename(path.c_str(), aside.c_str()) == 0)
        load.setAsideTo = aside;
    return load;
}

std::string SaveHistory(const std::string& folder, const std::vector<HistoryEntry>& entries) {
    if (const int code = MakeFolders(folder); code != 0)
        return folder + ": " + SystemErrorText(code);
    std::string error;
    if (!WriteFileSafely(folder + "/" + std::string(kHistoryFileName), HistoryText(entries),
                         &error))
        return error;
    return {};
}

std::string HistoryBook::Path() const {
    return folder_ + "/" + std::string(kHistoryFileName);
}

std::string HistoryBook::Load(std::int64_t now) {
    if (loaded_ || !OnDisk())
        return {};
    loaded_ = true;
    HistoryLoad load = LoadHistory(folder_, now);
    entries_ = std::move(load.entries);
    if (load.problem.empty())
        return {};
    const std::string path = Path();
    if (!load.setAsideTo.empty())
        return "Der Verlauf " + path + " war beschädigt (" + load.problem + ") und wurde als " +
               load.setAsideTo + " beiseitegelegt. Ein neuer Verlauf beginnt.";
    folder_.clear();
    return "Der Verlauf " + path + " kann nicht gelesen werden (" + load.problem +
           "). Der Verlauf wird in diesem Lauf nicht gespeichert.";
}

std::string HistoryBook::Add(const HistoryEntry& entry) {
    // The same calculation again (Berechnen pressed twice) moves up in time
    // instead of filling the list.
    HistoryEntry sameMoment = entry;
    if (!entries_.empty())
        sameMoment.moment = entries_.front().moment;
    if (!entries_.empty() && sameMoment == entries_.front())
        entries_.front().moment = entry.moment;
    else
        entries_.insert(entries_.begin(), entry);
    if (entries_.size() > kMaxHistoryEntries)
        entries_.resize(kMaxHistoryEntries);
    return Save();
}

std::string HistoryBook::Remove(std::vector<std::size_t> indexes) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (auto at = indexes.rbegin(); at != indexes.rend(); ++at)
        if (*at < entries_.size())
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*at));
    return Save();
}

std::string HistoryBook::Clear() {
    entries_.clear();
    return Save();
}

std::string HistoryBook::Save() {
    if (!OnDisk())
        return {};
    // Never written unread: that would replace a history nobody has seen.
    if (!loaded_)
        return {};
    const std::string error = SaveHistory(folder_, entries_);
    if (error.empty())
        return {};
    folder_.clear();
    return "Der Verlauf kann nicht gespeichert werden: " + error +
           ". Er wird in diesem Lauf nur im Speicher geführt.";
}

} // namespace fapkalk::history
