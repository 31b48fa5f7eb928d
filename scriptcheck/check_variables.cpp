// Variables as the checker sees them: the values a script may give each
// one, its tokens expanded as the runner expands them, and tokens the
// runner cannot replace as meant.
#include "checker.h"

#include "command_types.h"
#include "text.h"
#include "value_text.h"
#include "variables.h"

namespace scriptcheck {

size_t Checker::VariableCount() const
{
    size_t n = 0;
    for (const auto& v : variables_)
        n += v.second.size();
    return n;
}

void Checker::Define(const std::string& name, const std::string& value)
{
    std::vector<std::string>& values = variables_[Upper(name)];
    for (const std::string& v : values) {
        if (v == value)
            return;
    }
    values.push_back(value);
}

void Checker::CollectScriptVariables()
{
    if (const IniSection* section = FindSection(ini_, "Variables")) {
        for (const IniEntry& entry : section->entries) {
            if (entry.hasValue)
                Define(entry.name, StripMatchingQuotes(entry.value));
        }
    }
}

// The text with its tokens replaced as the runner would, taking the
// first known value of each variable; *known is false when a variable
// has no value the checker can see.
std::string Checker::Expand(const std::string& text, bool* known, const std::string* choice) const
{
    return ExpandTokens(text, [&](const VariableToken& token, int replacements, std::string* value, bool* dropRest) {
        if (token.kind == 'C') {
            const BuiltInToken* builtIn = FindBuiltInToken(token.number);
            if (!builtIn)
                return false;
            *value = builtIn->example;
            *dropRest = builtIn->base == kBuiltInTempFile;
            *known = false; // a directory of the machine, not of the script
            return true;
        }
        if (token.number < 0 || token.number >= 1000)
            return false;
        char name[8];
        FormatText(name, sizeof name, "V%03d", token.number);
        auto found = variables_.find(name);
        if (found == variables_.end() || found->second.empty())
            *known = false;
        else
            *value = (choice && replacements == 0) ? *choice : found->second[0];
        return true;
    });
}

// Every text the expansion may give, one for each value of its first variable.
std::vector<std::string> Checker::ExpandChoices(const std::string& text, bool* known) const
{
    const char* token = FindVariableToken(text.c_str());
    VariableToken parsed = token ? ParseVariableToken(token) : VariableToken{0, 0, 0};
    std::vector<std::string> out;
    if (parsed.kind == 'V' && parsed.number >= 0 && parsed.number < 1000) {
        char name[8];
        FormatText(name, sizeof name, "V%03d", parsed.number);
        auto found = variables_.find(name);
        if (found != variables_.end()) {
            for (const std::string& value : found->second)
                out.push_back(Expand(text, known, &value));
            return out;
        }
    }
    out.push_back(Expand(text, known));
    return out;
}

// Reports the tokens of a text that the runner cannot replace as meant.
void Checker::CheckTokens(const Command& c, const std::string& text)
{
    for (const char* p = FindVariableToken(text.c_str()); p; p = FindVariableToken(p)) {
        VariableToken parsed = ParseVariableToken(p);
        std::string token(p, parsed.length);
        if (!parsed.kind) {
            Report(c, kError, "bad-token",
                   "\"" + token + "\" is no variable token (only ~%V and ~%C are): the expansion stops there",
                   "write ~%Vnnn for a script variable or ~%Cnnn for a built-in directory, or avoid \"~%\"");
            return;
        }
        bool threeDigits = parsed.length == 6 && p[3] >= '0' && p[3] <= '9' && p[4] >= '0' && p[4] <= '9' &&
                           p[5] >= '0' && p[5] <= '9';
        if (!threeDigits) {
            char shown[8];
            FormatText(shown, sizeof shown, "~%%%c%03d", parsed.kind, parsed.number < 0 ? 0 : parsed.number);
            Report(c, kWarning, "token-shape",
                   "\"" + token + "\" is read as a six-character token: it means " + shown +
                       " and swallows what follows the number",
                   "write the number with three digits, e.g. " + std::string(shown));
        }
        const BuiltInToken* builtIn = parsed.kind == 'C' ? FindBuiltInToken(parsed.number) : nullptr;
        if (builtIn && builtIn->base == kBuiltInTempFile && p[parsed.length] != '\0') {
            Report(c, kWarning, "temp-name-rest",
                   "the text after ~%C000 is dropped: the token gives a whole temporary file name",
                   "use ~%C000 alone, or ~%V000 (the name it stored) where more text follows");
        } else if (parsed.kind == 'C' && !builtIn) {
            Report(c, kError, "unknown-builtin",
                   "\"" + token + "\" names no built-in directory: it stays in the text as written",
                   "use ~%C001 (the program's directory), ~%C101..~%C104 (Windows, inf, system, drivers) or "
                   "~%C000 (a temporary file)");
        } else if (parsed.kind == 'V') {
            char name[8];
            FormatText(name, sizeof name, "V%03d", parsed.number);
            if (parsed.number < 0 || parsed.number > 999) {
                Report(c, kError, "unknown-builtin", "\"" + token + "\" names no variable: it stays in the text",
                       "script variables are ~%V000 to ~%V999");
            } else if (!variables_.count(name)) {
                Report(c, kWarning, "undefined-variable",
                       std::string("variable ") + name + " is never defined: \"" + token +
                           "\" expands to nothing",
                       std::string("define ") + name + " in [Variables] or with CMD27 before this line");
            }
        }
        p += parsed.length;
    }
}

// Variables a command sets, for the tokens of later lines.
void Checker::CollectVariables(const Command& c)
{
    bool setsVariable = CommandHas(c.type, kCmdSetsVariable);
    bool writesScript = CommandHas(c.type, kCmdWritesScript);
    if (setsVariable && c.Field(0).empty() && !c.Field(1).empty()) {
        Define(c.Field(1), c.Field(2));
    } else if (writesScript && c.Field(0).empty() && EqualsNoCase(c.Field(1).c_str(), "Variables")) {
        Define(c.Field(2), c.Field(3));
    } else if ((setsVariable || writesScript) && !c.Field(0).empty()) {
        for (auto& line : SectionLines(c.Field(0))) {
            std::string text = line.first;
            size_t comma = text.find(',');
            if (comma == std::string::npos)
                continue;
            std::vector<char> copy(text.begin(), text.end());
            copy.push_back('\0');
            copy[comma] = '\0';
            std::string first = TrimSpaces(copy.data());
            std::string rest = TrimSpaces(copy.data() + comma + 1);
            if (setsVariable) {
                Define(first, rest);
            } else if (EqualsNoCase(first.c_str(), "Variables")) {
                size_t second = rest.find(',');
                if (second != std::string::npos) {
                    std::vector<char> pair(rest.begin(), rest.end());
                    pair.push_back('\0');
                    pair[second] = '\0';
                    Define(TrimSpaces(pair.data()), TrimSpaces(pair.data() + second + 1));
                }
            }
        }
    }
}

// A variable's value is read into a path buffer when a token is replaced.
void Checker::CheckVariableValues()
{
    const IniSection* section = FindSection(ini_, "Variables");
    for (const IniEntry& entry : section ? section->entries : std::vector<IniEntry>()) {
        if (entry.hasValue && (int)StripMatchingQuotes(entry.value).size() > kPathLimit)
            Report(section->file, entry.line, kWarning, "too-long",
                   entry.name + " is " + std::to_string(StripMatchingQuotes(entry.value).size()) +
                       " characters: its tokens give only the first " + std::to_string(kPathLimit),
                   "keep variable values to " + std::to_string(kPathLimit) + " characters");
    }
}

} // namespace scriptcheck
