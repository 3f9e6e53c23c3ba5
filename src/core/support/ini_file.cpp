// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

namespace fs = std::filesystem;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The key part of a "key=value" line, or nullopt-like empty view with found=false.
bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

bool IsHeader(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    line.remove_prefix(1);
    const auto close = line.find(']');
    name = Trim(line.substr(0, close));
    return true;
}

// Cuts at MaxValueLength bytes without splitting a UTF-8 sequence.
std::string_view CutValue(std::string_view v) {
    if (v.size() <= TIniFile::MaxValueLength) return v;
    std::size_t n = TIniFile::MaxValueLength;
    while (n > 0 && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80) --n;
    return v.substr(0, n);
}

// Line breaks would end the line and could forge keys: they become blanks.
std::string WithoutLineBreaks(std::string_view v) {
    std::string out(v);
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    return out;
}

[[noreturn]] void WriteFailed(const std::string& path) { throw EFileError("Unable to write to " + path); }

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {
    std::error_code ec;
    const auto status = fs::status(FFileName, ec);
    if (ec || !fs::exists(status)) {
        Parse("");
        return;
    }
    const std::string readError = "Unable to read from " + FFileName;
    if (fs::is_directory(status)) throw EFileError(readError);
    const auto size = fs::file_size(FFileName, ec);
    if (ec) throw EFileError(readError);
    if (size > MaxFileSize) throw EFileError(readError + ": the file is larger than 256 MB");
    std::ifstream in(FFileName, std::ios::binary);
    if (!in) throw EFileError(readError);
    std::string text;
    // The size may change under us; read what is there, up to the limit.
    text.resize(static_cast<std::size_t>(size));
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw EFileError(readError);
    FFileExisted = true;
    Parse(text);
}

TIniFile TIniFile::FromText(std::string_view text) {
    TIniFile ini;
    ini.Parse(text);
    return ini;
}

void TIniFile::Parse(std::string_view text) {
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= MaxLines)
        throw EFileError("Unable to read from " + FFileName + ": the file has more than " +
                         std::to_string(MaxLines) + " lines");
    FSections.clear();
    FSections.emplace_back();
    FHasBom = text.starts_with("\xEF\xBB\xBF");
    if (FHasBom) text.remove_prefix(3);
    const auto firstBreak = text.find('\n');
    FCrLf = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';

    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

        std::string_view name;
        if (IsHeader(raw, name)) {
            Section s;
            s.nameLower = Lower(name);
            s.hasHeader = true;
            s.lines.push_back({std::string(raw), {}, false});
            FSections.push_back(std::move(s));
            continue;
        }
        Section& s = FSections.back();
        Line line{std::string(raw), {}, false};
        std::string_view key, value;
        if (s.hasHeader && SplitKeyLine(raw, key, value)) {
            line.isKey = true;
            line.keyLower = Lower(key);
            s.firstKey.try_emplace(line.keyLower, s.lines.size());
        }
        s.lines.push_back(std::move(line));
    }
    RebuildSectionIndex();
}

void TIniFile::RebuildSectionIndex() {
    FFirstSection.clear();
    for (std::size_t i = 1; i < FSections.size(); ++i) FFirstSection.try_emplace(FSections[i].nameLower, i);
}

const TIniFile::Section* TIniFile::FindSection(std::string_view section) const {
    const auto it = FFirstSection.find(Lower(Trim(section)));
    return it == FFirstSection.end() ? nullptr : &FSections[it->second];
}

TIniFile::Section* TIniFile::FindSection(std::string_view section) {
    return const_cast<Section*>(static_cast<const TIniFile*>(this)->FindSection(section));
}

const TIniFile::Line* TIniFile::FindKey(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (s == nullptr) return nullptr;
    const auto it = s->firstKey.find(Lower(Trim(key)));
    return it == s->firstKey.end() ? nullptr : &s->lines[it->second];
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const Line* line = FindKey(section, key);
    if (line == nullptr) return std::string(def);
    std::string_view k, value;
    SplitKeyLine(line->text, k, value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(CutValue(value));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
    const std::string text = ReadString(section, key, "");
    const auto t = Trim(text);
    const auto v = ParseInteger(t);
    if (!v) return def;
    const bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    if (hex && *v >= 0 && *v <= 0xFFFFFFFFLL) return static_cast<std::int32_t>(static_cast<std::uint32_t>(*v));
    if (*v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
        return def;
    return static_cast<std::int32_t>(*v);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
    const auto v = ParseDouble(ReadString(section, key, ""));
    return v && std::isfinite(*v) ? *v : def;
}

std::string TIniFile::FormatFloat(double value) {
    for (int digits = 15; digits < 17; ++digits) {
        std::string text = FormatGeneral(value, digits);
        const auto back = ParseDouble(text);
        if (back && *back == value) return text;
    }
    return FormatGeneral(value, 17);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyName(Trim(key));
    std::string line = keyName + "=" + WithoutLineBreaks(value);
    Section* s = FindSection(section);
    if (s == nullptr) {
        Section added;
        added.nameLower = Lower(Trim(section));
        added.hasHeader = true;
        added.lines.push_back({"[" + std::string(Trim(section)) + "]", {}, false});
        FSections.push_back(std::move(added));
        FFirstSection.try_emplace(FSections.back().nameLower, FSections.size() - 1);
        s = &FSections.back();
    }
    const std::string lower = Lower(keyName);
    if (const auto it = s->firstKey.find(lower); it != s->firstKey.end()) {
        s->lines[it->second].text = std::move(line);
        return;
    }
    // After the section's last non-blank line, so blank lines that separate it
    // from the next section stay where they are. Only blank lines follow the
    // insertion point, so no key index moves.
    std::size_t at = s->lines.size();
    while (at > 1 && Trim(s->lines[at - 1].text).empty()) --at;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(line), lower, true});
    s->firstKey.emplace(lower, at);
}

void TIniFile::WriteStringExact(std::string_view section, std::string_view key, std::string_view value) {
    const bool blankEnds = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (blankEnds || quoted)
        WriteString(section, key, '"' + std::string(value) + '"');
    else
        WriteString(section, key, value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FormatFloat(value));
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    const Section* s = FindSection(section);
    if (s == nullptr) return keys;
    for (const Line& line : s->lines) {
        std::string_view key, value;
        if (line.isKey && SplitKeyLine(line.text, key, value)) keys.emplace_back(key);
    }
    return keys;
}

void TIniFile::EraseSection(std::string_view section) {
    const std::string lower = Lower(Trim(section));
    std::erase_if(FSections, [&](const Section& s) { return s.hasHeader && s.nameLower == lower; });
    RebuildSectionIndex();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (s == nullptr) return;
    const std::string lower = Lower(Trim(key));
    const auto it = s->firstKey.find(lower);
    if (it == s->firstKey.end()) return;
    s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
    s->firstKey.clear();
    for (std::size_t i = 0; i < s->lines.size(); ++i)
        if (s->lines[i].isKey) s->firstKey.try_emplace(s->lines[i].keyLower, i);
}

std::string TIniFile::Text() const {
    const char* const lineBreak = FCrLf ? "\r\n" : "\n";
    std::string out;
    if (FHasBom) out = "\xEF\xBB\xBF";
    for (const Section& s : FSections)
        for (const Line& line : s.lines) {
            out += line.text;
            out += lineBreak;
        }
    return out;
}

void TIniFile::UpdateFile() const {
    if (FFileName.empty()) WriteFailed(FFileName);
    std::error_code ec;
    // Write through a symbolic link to the file it names, so the link survives.
    fs::path target(FFileName);
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const auto resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    // Renaming over a read-only file would succeed; refuse it as a direct write
    // would. A file with no write bit at all counts as read-only even for root.
    if (existed && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0))
        WriteFailed(FFileName);

    static std::atomic<unsigned> counter{0};
    const std::string temp = target.string() + ".tmp" + std::to_string(::getpid()) + "_" +
                             std::to_string(counter.fetch_add(1));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) WriteFailed(FFileName);
    const std::string text = Text();
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    if (ok && existed) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        WriteFailed(FFileName);
    }
}

}  // namespace curvane
