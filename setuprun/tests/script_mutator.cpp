#include "script_mutator.h"

#include <vector>

namespace stress {

namespace {

// A small generator of our own: the same numbers on every compiler and
// library, so a case number always names the same script.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint64_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    size_t Below(size_t n) { return n ? (size_t)(Next() % n) : 0; }
    bool OneIn(size_t n) { return Below(n) == 0; }

private:
    uint64_t state_;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

const char* const kNumbers[] = {
    "-1", "0", "-2147483648", "2147483647", "2147483648", "4294967295", "4294967296",
    "99999999999999999999", "-999999999", "999999999", "1000000000", "-1000000000", "0x7FFFFFFF", "1e9", "+5", "--3",
};

const char* const kTokens[] = {
    "~%", "~%V", "~%V00", "~%Vxyz", "~%V-01", "~%C999", "~%C000", "~%c001", "~%Z123", "~%V999", "~%C10",
    "~%%V001", "~~%V001", "~%V001~%V001~%V001", "%V001", "\\\\?\\", "..\\..\\", "*", "?", "\"",
};

const char* const kOddLines[] = {
    ",", ",,,,,,,,", "3,", "14,", "15,", "19,", "27,,,", "26,,,,", "16,,", "21,,", "31,,,", "17,,,,,", "28,",
    "25,,,", "9,,", "0", "-0", "0,", " , , ", "\t3\t,\tSetText", "32,", "32", ";", "[", "]", "=", "==,==",
};

void Truncate(std::string& s, Rng& rng)
{
    s.resize(rng.Below(s.size() + 1));
}

void FlipBytes(std::string& s, Rng& rng)
{
    if (s.empty())
        return;
    for (size_t n = 1 + rng.Below(8); n > 0; n--) {
        size_t at = rng.Below(s.size());
        s[at] = rng.OneIn(2) ? (char)(s[at] ^ (1 << rng.Below(8))) : (char)rng.Below(256);
    }
}

void InsertNulAndFF(std::string& s, Rng& rng)
{
    for (size_t n = 1 + rng.Below(6); n > 0; n--) {
        static const char* const kBytes[] = {"\0", "\xFF", "\xFF\xFE", "\0\0\0", "\x1A", "\xEF\xBB\xBF"};
        static const size_t kSizes[] = {1, 1, 2, 3, 1, 3};
        size_t which = rng.Below(6);
        s.insert(rng.Below(s.size() + 1), kBytes[which], kSizes[which]);
    }
}

void CrOnlyLineEnds(std::string& s, Rng& rng)
{
    bool all = rng.OneIn(2);
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n' && (all || rng.OneIn(3))) {
            out += '\r';
            i++;
        } else if (s[i] == '\n' && (all || rng.OneIn(3))) {
            out += '\r';
        } else {
            out += s[i];
        }
    }
    s = out;
}

void LongLine(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    size_t length = 10000 + rng.Below(60000);
    std::string filler;
    const char* unit = rng.OneIn(3) ? "~%V001" : (rng.OneIn(2) ? "A" : "x\\");
    while (filler.size() < length)
        filler += unit;
    std::string line;
    switch (rng.Below(5)) {
    case 0: line = "32," + filler; break;
    case 1: line = "27,,V001," + filler; break;
    case 2: line = "[" + filler + "]"; break;
    case 3: line = "V001=" + filler; break;
    default: line = "15,," + filler + "," + filler; break;
    }
    lines.insert(lines.begin() + rng.Below(lines.size() + 1), line + "\r\n");
    s = JoinLines(lines);
}

void DuplicateLines(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    if (lines.empty())
        return;
    for (size_t n = 1 + rng.Below(6); n > 0; n--) {
        size_t at = rng.Below(lines.size());
        size_t copies = rng.OneIn(8) ? 200 : 1 + rng.Below(3);
        lines.insert(lines.begin() + at, copies, lines[at]);
    }
    s = JoinLines(lines);
}

void DeleteLines(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    for (size_t n = 1 + rng.Below(6); n > 0 && !lines.empty(); n--)
        lines.erase(lines.begin() + rng.Below(lines.size()));
    s = JoinLines(lines);
}

void BreakHeader(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    std::vector<size_t> headers;
    for (size_t i = 0; i < lines.size(); i++) {
        if (!lines[i].empty() && lines[i][0] == '[')
            headers.push_back(i);
    }
    if (headers.empty())
        return;
    std::string& line = lines[headers[rng.Below(headers.size())]];
    size_t close = line.find(']');
    switch (rng.Below(6)) {
    case 0: if (close != std::string::npos) line.erase(close, 1); break;
    case 1: line.erase(0, 1); break;
    case 2: line = "[]\r\n"; break;
    case 3: line = "[ " + line.substr(1); break;
    case 4: line = "[[" + line.substr(1); break;
    default: line = "[" + std::string(300 + rng.Below(3000), 'S') + "]\r\n"; break;
    }
    s = JoinLines(lines);
}

// Replaces the first number of a random line (or appends one).
void OddNumbers(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    if (lines.empty())
        return;
    for (size_t n = 1 + rng.Below(4); n > 0; n--) {
        std::string& line = lines[rng.Below(lines.size())];
        const char* number = kNumbers[rng.Below(sizeof kNumbers / sizeof kNumbers[0])];
        size_t digit = line.find_first_of("0123456789");
        if (digit == std::string::npos) {
            line.insert(line.find_first_of("\r\n") == std::string::npos ? line.size() : line.find_first_of("\r\n"),
                        std::string(",") + number);
        } else {
            size_t end = line.find_first_not_of("0123456789", digit);
            line.replace(digit, (end == std::string::npos ? line.size() : end) - digit, number);
        }
    }
    // A step for the run-position commands, or a counter, at its limits.
    static const char* const kKeys[] = {"IncCommand", "DecCommand", "RunCount", "SYSID", "Logging"};
    lines.insert(lines.begin(), std::string("[Data]\r\n") + kKeys[rng.Below(5)] + "=" +
                                    kNumbers[rng.Below(sizeof kNumbers / sizeof kNumbers[0])] + "\r\n");
    s = JoinLines(lines);
}

// A recorded run position and compiled commands in the script itself, as a
// damaged working copy would hold them.
void OddCurrentCmd(std::string& s, Rng& rng)
{
    std::string commands = "[Commands]\r\nCurrentCmd=" +
                           std::string(kNumbers[rng.Below(sizeof kNumbers / sizeof kNumbers[0])]) + "\r\n";
    if (rng.OneIn(2))
        commands += "Cmd" + std::string(kNumbers[rng.Below(sizeof kNumbers / sizeof kNumbers[0])]) + "=32\r\n";
    if (rng.OneIn(2))
        commands += "Cmd0=" + std::string(kNumbers[rng.Below(sizeof kNumbers / sizeof kNumbers[0])]) + "\r\n";
    if (rng.OneIn(2))
        commands += "[State]\r\nCurrentSection=CommandsList\r\nNextSection=" +
                    std::string(rng.OneIn(2) ? "Missing" : "CommandsList") + "\r\n";
    s = (rng.OneIn(2) ? "[Data]\r\nForceCleanStart=0\r\n" : "") + commands + s;
}

// Puts lines at the top of the first [CommandsList] (a second section of
// the same name would never be read), or a new list at the front.
void IntoFirstList(std::string& s, const std::string& lines)
{
    size_t header = s.find("[CommandsList]");
    size_t end = header == std::string::npos ? std::string::npos : s.find('\n', header);
    if (end == std::string::npos)
        s = "[CommandsList]\r\n" + lines + s;
    else
        s.insert(end + 1, lines);
}

// Jump cycles: a section that branches to itself, a step back onto itself,
// two sections branching to each other.
void JumpCycle(std::string& s, Rng& rng)
{
    switch (rng.Below(3)) {
    case 0:
        IntoFirstList(s, "19,Loop\r\n");
        s += "\r\n[Loop]\r\n32,loop\r\n19,Loop\r\n";
        break;
    case 1:
        s = "[Data]\r\nDecCommand=1\r\n" + s;
        IntoFirstList(s, "32,again\r\n6\r\n");
        break;
    default:
        IntoFirstList(s, "19,PingA\r\n");
        s += "\r\n[PingA]\r\n19,PingB\r\n[PingB]\r\n19,PingA\r\n";
        break;
    }
}

void SelfReferringVariables(std::string& s, Rng& rng)
{
    static const char* const kSets[] = {
        "[Variables]\r\nV001=~%V001\r\nV002=x~%V002x\r\n",
        "[Variables]\r\nV001=~%V002\r\nV002=~%V001\r\n",
        "[Variables]\r\nV001=~%V001~%V001~%V001~%V001\r\n",
        "[Variables]\r\nV003=~%V003\\~%V003\r\nV007=~%V007\r\n",
    };
    s = kSets[rng.Below(4)] + s;
    if (rng.OneIn(2))
        IntoFirstList(s, "32,~%V001 ~%V002 ~%V003\r\n27,,V009,~%V001\r\n19,~%V007\r\n");
}

void OddTokens(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    if (lines.empty())
        return;
    for (size_t n = 1 + rng.Below(5); n > 0; n--) {
        std::string& line = lines[rng.Below(lines.size())];
        size_t comma = line.find(',');
        size_t at = comma == std::string::npos ? rng.Below(line.size() + 1) : comma + 1;
        line.insert(at, kTokens[rng.Below(sizeof kTokens / sizeof kTokens[0])]);
    }
    s = JoinLines(lines);
}

void EmptyFields(std::string& s, Rng& rng)
{
    std::vector<std::string> lines = SplitLines(s);
    for (size_t n = 1 + rng.Below(6); n > 0; n--) {
        size_t at = rng.Below(lines.size() + 1);
        if (at < lines.size() && rng.OneIn(2)) {
            // Blanks out every field of a line, keeping its commas.
            std::string& line = lines[at];
            for (char& c : line) {
                if (c != ',' && c != '\r' && c != '\n' && rng.OneIn(2))
                    c = ' ';
            }
        } else {
            lines.insert(lines.begin() + at,
                         std::string(kOddLines[rng.Below(sizeof kOddLines / sizeof kOddLines[0])]) + "\r\n");
        }
    }
    s = JoinLines(lines);
}

struct Mutation {
    const char* name;
    void (*apply)(std::string&, Rng&);
    bool loops;
};

const Mutation kMutations[] = {
    {"truncate", Truncate, false},
    {"flip-bytes", FlipBytes, false},
    {"nul-ff", InsertNulAndFF, false},
    {"cr-only", CrOnlyLineEnds, false},
    {"long-line", LongLine, false},
    {"duplicate-lines", DuplicateLines, false},
    {"delete-lines", DeleteLines, false},
    {"broken-header", BreakHeader, false},
    {"odd-numbers", OddNumbers, false},
    {"odd-currentcmd", OddCurrentCmd, false},
    {"jump-cycle", JumpCycle, true},
    {"self-variables", SelfReferringVariables, false},
    {"odd-tokens", OddTokens, false},
    {"empty-fields", EmptyFields, false},
};
const int kMutationCount = sizeof kMutations / sizeof kMutations[0];

} // namespace

int MutationCount()
{
    return kMutationCount;
}

const char* MutationName(int index)
{
    return index >= 0 && index < kMutationCount ? kMutations[index].name : "";
}

Mutated MutateScript(const std::string& seed, uint64_t caseSeed, int index)
{
    Rng rng(caseSeed);
    Mutated result;
    result.script = seed;
    std::vector<int> chosen;
    if (index >= 0 && index < kMutationCount) {
        chosen.push_back(index);
    } else {
        for (size_t n = 1 + rng.Below(3); n > 0; n--) {
            int pick = (int)rng.Below(kMutationCount);
            // A loop costs a whole time bound: kept one time in ten.
            if (kMutations[pick].loops && !rng.OneIn(10))
                pick = (pick + 1) % kMutationCount;
            chosen.push_back(pick);
        }
    }
    for (int pick : chosen) {
        kMutations[pick].apply(result.script, rng);
        result.loopsByDesign = result.loopsByDesign || kMutations[pick].loops;
        if (!result.kinds.empty())
            result.kinds += '+';
        result.kinds += kMutations[pick].name;
    }
    return result;
}

uint64_t HashBytes(const std::string& bytes)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

} // namespace stress
