// The real utility on randomly made hostile input: language.cfg contents (random bytes,
// huge names, many entries, odd line ends, byte-order marks, odd "File" values, repeated
// sections, keys with blanks ...) and installer registry values (strings with and without
// their terminator, with zeros inside, long ones, other types, no key at all), in
// "/CHECK", "/CHECK_RUN" and the dialog. Every run must end with exit code 0 and no box,
// and language.cfg may change only where an import is due, and then only in "File".
//
// The run is seeded and prints its seed; LANGSELECT_RANDOM_SEED=<seed> replays it, and
// every failure names the case, whose input depends on the seed and its number alone.
#include "app/installer_import.h"
#include "support/dialog_driver.h"
#include "support/watched_run.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// Bounds that keep the whole test near a minute under Wine: every name lookup of the list
// opens the file again, so thousands of entries would take seconds per run, and a dialog
// run costs several quiet ones.
constexpr int kQuietCases = 130;
constexpr int kDialogCases = 16;
// Safety bounds on the time since the first case, should Wine be slower than usual.
constexpr DWORD kQuietBudgetMs = 42000;
constexpr DWORD kTotalBudgetMs = 58000;

uint32_t Seed() {
    char value[32] = {};
    if (GetEnvironmentVariableA("LANGSELECT_RANDOM_SEED", value, sizeof value))
        return static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint32_t>(now.QuadPart ^ (now.QuadPart >> 32) ^ GetCurrentProcessId());
}

// Makes one case's hostile input from the seed and the case number.
class Hostile {
  public:
    Hostile(uint32_t seed, int caseNumber) {
        std::seed_seq sequence{seed, static_cast<uint32_t>(caseNumber)};
        random_.seed(sequence);
    }

    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(random_() % n); }
    bool Percent(uint32_t p) { return Below(100) < p; }
    template <typename T> T Pick(std::initializer_list<T> items) {
        return items.begin()[Below(static_cast<uint32_t>(items.size()))];
    }

    std::string Bytes(size_t count, bool anyByte) {
        std::string bytes(count, '\0');
        for (char& c : bytes)
            c = static_cast<char>(anyByte ? Below(256) : 32 + Below(95));
        return bytes;
    }

    // A whole language.cfg. `dialog`: small enough for the slower dialog runs.
    std::string LanguageFile(bool dialog) {
        ascii_ = false;
        switch (Below(20)) {
        case 0:
            return Bytes(Below(20000), true); // no structure at all
        case 1:
            return Pick({std::string(), std::string("\xef\xbb\xbf"), std::string("\r\n\r\n"),
                         std::string("\xff\xfe"), std::string("[LangFile]")});
        default:
            break;
        }
        // A byte-order mark commits the platform to an encoding; what follows is kept to
        // ASCII there so that the text means the same in every encoding.
        const uint32_t mark = Percent(15) ? 1 + Below(2) : 0;
        ascii_ = mark != 0;
        lineEnd_ = Pick({"\r\n", "\r\n", "\n", "\r", "\n\r", ""}); // "": a different end per line
        std::string text;
        const int blocks = 1 + static_cast<int>(Below(5));
        for (int b = 0; b < blocks; ++b) {
            switch (Below(7)) {
            case 0:
            case 1:
                text += NamesBlock(dialog);
                break;
            case 2:
            case 3:
            case 6:
                text += IndexBlock();
                break;
            case 4:
                text += Line("[" + Word() + "]") + Line(Word() + "=" + Word());
                break;
            default:
                text += JunkLines();
                break;
            }
        }
        if (Percent(30)) {
            while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
                text.pop_back(); // no end to the last line
        }
        if (mark == 1)
            return "\xef\xbb\xbf" + text;
        if (mark == 2) {
            std::string wide = "\xff\xfe"; // UTF-16, little-endian
            for (const char c : text)
                wide += std::string(1, c) + '\0';
            return wide;
        }
        return text;
    }

    // The installer's value; sets `text` to what a reader of a string value gets: its
    // bytes up to the first zero, and "<none>" when there is no string to read.
    struct Registry {
        bool key = false;
        bool value = false;
        DWORD type = REG_SZ;
        std::string data;
        std::string text = "<none>";
        std::string what;
    };
    Registry InstallerValue() {
        Registry r;
        const std::string locale = app::InstallerLocaleTable[Below(app::kInstallerLocaleCount)].locale;
        r.key = !Percent(8);
        r.value = r.key && !Percent(5);
        if (!r.value) {
            r.what = r.key ? "key without the value" : "no key";
            return r;
        }
        switch (Below(15)) {
        case 0:
        case 1:
        case 2:
        case 9:
        case 10:
        case 11:
            r.data = locale + '\0';
            r.what = "REG_SZ " + locale;
            break;
        case 3:
            r.data = locale;
            r.what = "REG_SZ " + locale + " without terminator";
            break;
        case 4:
            r.data = locale + '\0' + Bytes(Below(8), true) + '\0';
            r.what = "REG_SZ " + locale + ", a zero, more bytes";
            break;
        case 5:
            r.data = std::string(1, '\0') + locale + '\0';
            r.what = "REG_SZ zero, then " + locale;
            break;
        case 6:
            r.data = Pick({" " + locale, locale + " ", "0" + locale, locale + "0", std::string("1041"),
                           std::string(""), std::string("-1"), locale.substr(0, 3)}) +
                     '\0';
            r.what = "REG_SZ near miss [" + r.data.substr(0, r.data.size() - 1) + "]";
            break;
        case 7:
            r.data = (Percent(50) ? locale : "") + Bytes(1 + Below(70000), Percent(50));
            r.what = "REG_SZ long, " + std::to_string(r.data.size()) + " bytes";
            break;
        case 8:
            r.data = Bytes(Below(64), true);
            r.what = "REG_SZ random bytes";
            break;
        default: { // 12 to 14
            const DWORD number = static_cast<DWORD>(std::atoi(locale.c_str()));
            const struct {
                DWORD type;
                std::string data;
                const char* what;
            } others[] = {
                {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4), "REG_DWORD"},
                {REG_EXPAND_SZ, locale + '\0', "REG_EXPAND_SZ"},
                {REG_MULTI_SZ, locale + '\0' + '\0', "REG_MULTI_SZ"},
                {REG_BINARY, locale, "REG_BINARY"},
                {REG_NONE, locale + '\0', "REG_NONE"},
                {REG_QWORD, std::string(reinterpret_cast<const char*>(&number), 4) + std::string(4, '\0'),
                 "REG_QWORD"},
            };
            const auto& other = others[Below(sizeof others / sizeof others[0])];
            r.type = other.type;
            r.data = other.data;
            r.what = std::string(other.what) + " " + locale;
            return r;
        }
        }
        r.text = r.data.substr(0, r.data.find('\0'));
        return r;
    }

  private:
    std::string LineEnd() { return *lineEnd_ ? lineEnd_ : Pick({"\r\n", "\n", "\r", "\n\r", "\r\r\n"}); }
    std::string Line(const std::string& text) { return text + LineEnd(); }

    std::string Blanks() { return Pick({"", "", "", " ", "\t", "  \t "}); }

    std::string Word() {
        if (ascii_ || Percent(60))
            return Bytes(1 + Below(12), false);
        // Anything but a line end: code page bytes, zeros, control characters.
        std::string word = Bytes(1 + Below(12), true);
        for (char& c : word) {
            if (c == '\r' || c == '\n')
                c = '#';
        }
        return word;
    }

    std::string Name() {
        switch (Below(10)) {
        case 0:
            return Bytes(Below(3000), false);
        case 1:
            return Percent(20) ? Bytes(40000 + Below(20000), false) : Bytes(2040 + Below(20), false);
        case 2:
            return "";
        default:
            return Word();
        }
    }

    std::string Header(const char* name) {
        switch (Below(10)) {
        case 0:
            return Line("[" + Blanks() + name + Blanks() + "]");
        case 1: {
            std::string upper = name;
            for (char& c : upper)
                c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            return Line("[" + upper + "]");
        }
        case 2:
            return Line(std::string("[") + name); // not closed
        case 3:
            return Line(Blanks() + "[" + name + "]" + Blanks() + "; note");
        default:
            return Line(std::string("[") + name + "]");
        }
    }

    std::string Key(int index) {
        switch (Below(12)) {
        case 0:
            return "0" + std::to_string(index);
        case 1:
            return Blanks() + std::to_string(index) + Blanks();
        case 2:
            return std::to_string(Below(50));
        case 3:
            return Word();
        default:
            return std::to_string(index);
        }
    }

    std::string NamesBlock(bool dialog) {
        uint32_t count;
        switch (Below(8)) {
        case 0:
            count = 0;
            break;
        case 1:
            count = dialog ? 20 + Below(60) : 50 + Below(300);
            break;
        default:
            count = 1 + Below(16);
            break;
        }
        std::string block = Header("ListNames");
        for (uint32_t i = 0; i < count; ++i) {
            if (Percent(5))
                block += JunkLines();
            block += Line(Key(static_cast<int>(i)) + Blanks() + (Percent(97) ? "=" : "") + Blanks() + Name());
        }
        return block;
    }

    std::string IndexBlock() {
        std::string block = Header("LangFile");
        const int keys = 1 + static_cast<int>(Below(3));
        for (int i = 0; i < keys; ++i) {
            const std::string key =
                Percent(70) ? "File" : Pick({"file", "FILE", " File", "File\t", "Fil e", "Files", "File2"});
            block += Line(key + Blanks() + "=" + Blanks() + FileValue());
            if (Percent(20))
                block += Line(Word() + "=" + Word());
        }
        return block;
    }

    std::string FileValue() {
        if (Percent(55))
            return "-2";
        return Pick({"-1",
                     "0",
                     "1",
                     "13",
                     "9",
                     "-3",
                     "",
                     "-2abc",
                     "- 2",
                     "--2",
                     "+-2",
                     "-02",
                     "-2.0",
                     "0x10",
                     "-0x2",
                     "99999999999",
                     "-99999999999",
                     "2147483647",
                     "-2147483648",
                     "4294967294",
                     "\xbd",
                     "-\xb2",
                     "abc",
                     "\"-2\"",
                     "'-2'",
                     "-2;x"});
    }

    std::string JunkLines() {
        std::string junk;
        const int lines = 1 + static_cast<int>(Below(4));
        for (int i = 0; i < lines; ++i) {
            switch (Below(6)) {
            case 0:
                junk += Line("");
                break;
            case 1:
                junk += Line(";" + Word());
                break;
            case 2:
                junk += Line(Blanks());
                break;
            case 3:
                junk += Line("=" + Word());
                break;
            default:
                junk += Line(ascii_ ? Bytes(Below(200), false) : Word() + Bytes(Below(200), true));
                break;
            }
        }
        return junk;
    }

    std::mt19937 random_;
    bool ascii_ = false;
    const char* lineEnd_ = "\r\n";
};

void SetInstaller(const Hostile::Registry& r) {
    DeleteInstallerKey();
    if (!r.key)
        return;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    if (r.value)
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Installer Language", 0, r.type,
                                                reinterpret_cast<const BYTE*>(r.data.data()),
                                                static_cast<DWORD>(r.data.size())));
    RegCloseKey(key);
}

// Blanks as the platform trims them around names and values (found by trying every byte
// under Wine: tab, line feed, vertical tab, form feed, carriage return, 0x1A and space).
std::string Trimmed(const std::string& text) {
    const char* const blanks = " \t\r\n\v\f\x1a";
    const size_t first = text.find_first_not_of(blanks);
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// An entry as it reads after the platform rewrote the file. Under Wine the rewrite cuts
// every name and value at a zero byte, which can leave a blank at its end that the next
// reading trims: blanks around names and values do not count.
std::string Normalised(const std::string& entry) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos)
        return Trimmed(entry);
    return Trimmed(entry.substr(0, equals)) + "=" + Trimmed(entry.substr(equals + 1));
}

// The platform's own reading of a file. Each look is at a copy under a name never used
// before, so that no profile cache of this process can answer for an older content.
class Platform {
  public:
    explicit Platform(const std::string& bytes) {
        static int counter = 0;
        path_ = scratch_.Path() + "copy" + std::to_string(++counter) + ".cfg";
        WriteFileBytes(path_, bytes);
    }
    int32_t StoredIndex() const {
        return static_cast<int32_t>(GetPrivateProfileIntA("LangFile", "File", -1, path_.c_str()));
    }
    std::string IndexText() const {
        char value[256] = {};
        GetPrivateProfileStringA("LangFile", "File", "<none>", value, sizeof value, path_.c_str());
        return value;
    }
    // Every section by name with its entries as the platform lists them, blanks around
    // names and values dropped. A repeated section is listed by name each time but shows
    // the entries of its first copy, as every lookup does.
    std::vector<std::pair<std::string, std::vector<std::string>>> Sections() const {
        std::vector<char> buffer(1 << 22);
        const DWORD size =
            GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), path_.c_str());
        std::vector<std::pair<std::string, std::vector<std::string>>> sections;
        for (const std::string& name : Split(buffer.data(), size)) {
            std::vector<char> entries(1 << 22);
            const DWORD got = GetPrivateProfileSectionA(name.c_str(), entries.data(),
                                                        static_cast<DWORD>(entries.size()), path_.c_str());
            std::vector<std::string> lines = Split(entries.data(), got);
            for (std::string& line : lines)
                line = Normalised(line);
            sections.emplace_back(Trimmed(name), lines);
        }
        return sections;
    }

  private:
    static std::vector<std::string> Split(const char* block, DWORD size) {
        std::vector<std::string> items;
        for (DWORD at = 0; at < size && block[at];) {
            items.emplace_back(block + at);
            at += static_cast<DWORD>(items.back().size()) + 1;
        }
        return items;
    }
    static TempFolder scratch_;
    std::string path_;
};
TempFolder Platform::scratch_("oracle");

bool SameKey(const std::string& line, const char* key) {
    const size_t equals = line.find('=');
    return equals != std::string::npos && lstrcmpiA(line.substr(0, equals).c_str(), key) == 0;
}

// `sections` as they must read after the import stored `index`: the first entry "File"
// of the first section "LangFile" holds it, under the key's own spelling. Every listing
// that names that section (again, or in other letter case) shows that section's entries.
void StoreIndex(std::vector<std::pair<std::string, std::vector<std::string>>>& sections, int32_t index) {
    for (auto& section : sections) {
        if (lstrcmpiA(section.first.c_str(), "LangFile") != 0)
            continue;
        for (std::string& entry : section.second) {
            if (SameKey(entry, "File")) {
                entry = entry.substr(0, entry.find('=') + 1) + std::to_string(index);
                break;
            }
        }
    }
}

int32_t ImportedIndex(const std::string& locale) {
    for (const app::InstallerLocale& row : app::InstallerLocaleTable) {
        if (locale == row.locale)
            return row.index;
    }
    return INT32_MIN;
}

std::string Escaped(const std::string& bytes, size_t limit = 400) {
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += c >= 32 && c < 127 && c != '\\' ? std::string(1, static_cast<char>(c)) : hex;
    }
    return bytes.size() > limit ? out + "... (" + std::to_string(bytes.size()) + " bytes)" : out;
}

// The sections as the platform reads them, for failure messages.
std::string Listed(const std::vector<std::pair<std::string, std::vector<std::string>>>& sections) {
    std::string out;
    for (const auto& section : sections) {
        out += "[" + Escaped(section.first, 60) + "]";
        for (const std::string& entry : section.second)
            out += " {" + Escaped(entry, 60) + "}";
    }
    return out;
}

// Whether a section header of `text` names no section: blanks (as Wine counts them) or
// nothing between the brackets, or a zero byte first. Wine's profile writer puts no
// header before a section without a name, as for the lines before the first header, so
// after any write that section's entries read as part of the section before it. Windows
// edits the file in place and keeps the header.
bool HasNamelessSection(std::string text) {
    if (text.compare(0, 2, "\xff\xfe") == 0) { // UTF-16LE: ASCII only, one byte of each pair
        std::string narrow;
        for (size_t i = 2; i < text.size(); i += 2)
            narrow += text[i];
        text = narrow;
    }
    static const std::string kBlanks(" \t\v\f\x1a\xa0");
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        const std::string line = text.substr(at, end - at);
        const size_t open = line.find_first_not_of(kBlanks);
        if (open != std::string::npos && line[open] == '[') {
            const size_t name = line.find_first_not_of(kBlanks, open + 1);
            if (name == std::string::npos || line[name] == ']' || line[name] == '\0')
                return true;
        }
        at = end + 1;
    }
    return false;
}

class RandomInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        seed_ = Seed();
        std::printf("random input: seed %lu (LANGSELECT_RANDOM_SEED=%lu replays this run)\n",
                    static_cast<unsigned long>(seed_), static_cast<unsigned long>(seed_));
        std::fflush(stdout);
        start_ = GetTickCount();
    }
    static void TearDownTestSuite() { DeleteInstallerKey(); }
    void SetUp() override { RecordProperty("seed", std::to_string(seed_)); }

    static bool OverBudget(DWORD budgetMs) { return GetTickCount() - start_ > budgetMs; }

    static uint32_t seed_;
    static DWORD start_;
};
uint32_t RandomInput::seed_ = 0;
DWORD RandomInput::start_ = 0;

// "/CHECK" and "/CHECK_RUN": the import happens exactly when the platform reads -2 from
// the file and the installer's value is one of the table's locales. Then "File" and
// nothing else changes. The platform rewrites the whole file on any write (under Wine
// with its own line ends, blanks trimmed, CR LF throughout), so after a write the file is
// compared in the form the platform reads it, section by section; without a write it must
// keep every byte. The main application, when started, reads the file's final index.
TEST_F(RandomInput, QuietModes) {
    Installation inst("random");
    int ran = 0;
    int imports = 0;
    for (int n = 0; n < kQuietCases && !OverBudget(kQuietBudgetMs); ++n, ++ran) {
        Hostile hostile(seed_, n);
        const std::string before = hostile.LanguageFile(false);
        const Hostile::Registry registry = hostile.InstallerValue();
        const char* mode = hostile.Percent(50) ? "/CHECK" : "/CHECK_RUN";
        const std::string what = "seed " + std::to_string(seed_) + " case " + std::to_string(n) + ", " +
                                 mode + ", installer " + registry.what + ", language.cfg [" +
                                 Escaped(before) + "]";
        ASSERT_TRUE(WriteFileBytes(inst.cfg, before)) << what;
        DeleteFileW(Wide(inst.standinLog).c_str());
        SetInstaller(registry);

        const Platform was(before);
        const int32_t imported = ImportedIndex(registry.text);
        const bool due = was.StoredIndex() == -2 && imported != INT32_MIN;
        imports += due;

        const WatchedRun run = RunWatched("\"" + inst.exe + "\" " + mode);
        ASSERT_TRUE(run.started) << what;
        EXPECT_TRUE(run.exited) << what;
        EXPECT_EQ(0u, run.exitCode) << what;
        EXPECT_TRUE(run.boxes.empty()) << what << ": " << run.boxes[0];

        const std::string after = ReadFileBytes(inst.cfg);
        const Platform is(after);
        if (!due) {
            EXPECT_TRUE(before == after) << what << "\nchanged to [" << Escaped(after) << "]";
        } else {
            auto expected = was.Sections();
            StoreIndex(expected, imported);
            const auto actual = is.Sections();
            const bool wineMovesEntries = RunningUnderWine() && HasNamelessSection(before);
            EXPECT_TRUE(expected == actual || wineMovesEntries)
                << what << "\nbecame [" << Escaped(after) << "]\nexpected " << Listed(expected) << "\nread "
                << Listed(actual);
            EXPECT_EQ(imported, is.StoredIndex()) << what;
        }
        if (std::string(mode) == "/CHECK_RUN") {
            EXPECT_TRUE(StandinRan(inst)) << what;
            EXPECT_EQ(is.IndexText(), StandinLogValue(ReadFileBytes(inst.standinLog), "file")) << what;
        }
        if (HasFailure())
            break; // the first failing case is the one to replay
    }
    std::printf("random input: %d quiet runs, %d of them with an import due\n", ran, imports);
    // Enough of both kinds that each side of the rule is exercised.
    EXPECT_GT(imports, ran / 20);
    EXPECT_LT(imports, ran - ran / 20);
}

// The dialog on the same kind of file, closed through its window: it shows, ends with
// exit code 0 and writes nothing.
TEST_F(RandomInput, Dialog) {
    Installation inst("randomdlg");
    int ran = 0;
    for (int n = 0; n < kDialogCases && !OverBudget(kTotalBudgetMs); ++n, ++ran) {
        Hostile hostile(seed_, 100000 + n);
        const std::string before = hostile.LanguageFile(true);
        SetInstaller(hostile.InstallerValue());
        const std::string what = "seed " + std::to_string(seed_) + " dialog case " + std::to_string(n) +
                                 ", language.cfg [" + Escaped(before) + "]";
        ASSERT_TRUE(WriteFileBytes(inst.cfg, before)) << what;
        bool shown = false;
        const WatchedRun run = RunWatched("\"" + inst.exe + "\"", {}, [&](DWORD processId) {
            const HWND form = FindProcessWindow(processId, "obj_Form", "Language ....");
            if (form && IsWindowVisible(form)) {
                shown = true;
                PostMessageA(form, WM_CLOSE, 0, 0);
            }
        });
        ASSERT_TRUE(run.started) << what;
        EXPECT_TRUE(shown) << what;
        EXPECT_TRUE(run.exited) << what;
        EXPECT_EQ(0u, run.exitCode) << what;
        EXPECT_TRUE(run.boxes.empty()) << what << ": " << run.boxes[0];
        EXPECT_TRUE(before == ReadFileBytes(inst.cfg)) << what;
        if (HasFailure())
            break;
    }
    std::printf("random input: %d dialog runs\n", ran);
}

} // namespace
