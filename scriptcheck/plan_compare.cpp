// Plans side by side: one script on every Windows version, and an install
// script against the script that removes it.
#include "plan_compare.h"

#include <algorithm>

#include "text.h"

namespace {

std::string EffectText(const PlanStep& step)
{
    std::string text = step.file + ":" + std::to_string(step.line) + ":\t" + step.kind;
    for (const std::string& arg : step.args)
        text += "\t" + arg;
    return text;
}

std::string VersionList(const std::vector<bool>& on, const std::vector<std::string>& names)
{
    if (std::all_of(on.begin(), on.end(), [](bool b) { return b; }))
        return "all";
    std::string list;
    for (size_t i = 0; i < on.size(); i++) {
        if (on[i])
            list += (list.empty() ? "" : ",") + names[i];
    }
    return list;
}

// A path at or below another, compared as Windows compares them.
bool AtOrBelow(const std::string& path, const std::string& top)
{
    if (top.empty() || path.size() < top.size() || !EqualsNoCase(path.substr(0, top.size()).c_str(), top.c_str()))
        return false;
    return path.size() == top.size() || path[top.size()] == '\\' || top.back() == '\\';
}

std::string LastPart(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What an install step leaves on the machine, as a removal would have to
// name it: its kind, the path or key, the value name.
struct Made {
    std::string kind; // "file", "folder", "key", "value"
    std::string path;
    std::string name;
    std::string where; // the install's script line
};

std::vector<Made> MadeBy(const Plan& plan)
{
    std::vector<Made> made;
    for (const PlanStep& s : plan.steps) {
        std::string where = s.file + ":" + std::to_string(s.line);
        if (s.kind == "registry-set")
            made.push_back({"value", s.args[0], s.args[1], where});
        else if (s.kind == "registry-key")
            made.push_back({"key", s.args[0], "", where});
        else if (s.kind == "make-folder")
            made.push_back({"folder", s.args[0], "", where});
        else if (s.kind == "copy" || s.kind == "rename")
            made.push_back({"file", s.args[1], LastPart(s.args[0]), where});
    }
    return made;
}

// Whether one of the removal's steps takes the thing away.
bool Removed(const Made& m, const Plan& removal)
{
    for (const PlanStep& s : removal.steps) {
        const std::string& target = s.args.empty() ? std::string() : s.args[0];
        if (s.kind == "registry-delete-tree" && AtOrBelow(m.path, target))
            return true;
        if (s.kind == "registry-delete-key" && (m.kind == "key" || m.kind == "value") &&
            EqualsNoCase(m.path.c_str(), target.c_str()))
            return true;
        if (s.kind == "registry-delete-value" && m.kind == "value" && EqualsNoCase(m.path.c_str(), target.c_str()) &&
            EqualsNoCase(m.name.c_str(), s.args[1].c_str()))
            return true;
        // A file copied onto a folder lands inside it: either path may be removed.
        if (s.kind == "delete" && (m.kind == "file" || m.kind == "folder") &&
            (AtOrBelow(m.path, target) || (m.kind == "file" && AtOrBelow(m.path + "\\" + m.name, target))))
            return true;
        if (s.kind == "rename" && m.kind == "file" && EqualsNoCase(m.path.c_str(), target.c_str()))
            return true;
    }
    return false;
}

} // namespace

std::string FormatPlansByVersion(const std::vector<std::string>& versions, const std::vector<Plan>& plans)
{
    // Every effect once, in the order the first version that has it meets
    // it, with the versions it happens on.
    std::vector<std::string> order;
    std::vector<std::vector<bool>> on;
    for (size_t v = 0; v < plans.size(); v++) {
        size_t insertAt = 0;
        for (const PlanStep& step : plans[v].steps) {
            std::string text = EffectText(step);
            auto found = std::find(order.begin(), order.end(), text);
            if (found == order.end()) {
                order.insert(order.begin() + (long)insertAt, text);
                on.insert(on.begin() + (long)insertAt, std::vector<bool>(plans.size(), false));
                on[insertAt][v] = true;
                insertAt++;
            } else {
                size_t at = (size_t)(found - order.begin());
                on[at][v] = true;
                insertAt = std::max(insertAt, at + 1);
            }
        }
    }
    std::string out;
    for (size_t i = 0; i < order.size(); i++)
        out += VersionList(on[i], versions) + "\t" + order[i] + "\n";
    for (size_t v = 0; v < plans.size(); v++)
        out += versions[v] + "\tend\t" + plans[v].end + "\n";
    return out;
}

std::string FormatLeftovers(const std::vector<std::string>& versions, const std::vector<Plan>& installs,
                            const std::vector<Plan>& removals)
{
    std::vector<std::string> order;
    std::vector<std::vector<bool>> on;
    for (size_t v = 0; v < installs.size(); v++) {
        std::vector<Made> left;
        for (const Made& m : MadeBy(installs[v])) {
            if (!Removed(m, removals[v]))
                left.push_back(m);
        }
        for (const Made& m : left) {
            // A key with a value left is named by that value's line.
            if (m.kind == "key" && std::any_of(left.begin(), left.end(), [&](const Made& o) {
                    return o.kind == "value" && EqualsNoCase(o.path.c_str(), m.path.c_str());
                }))
                continue;
            std::string text = m.where + ":\t" + m.kind + "\t" + m.path + (m.name.empty() ? "" : "\t" + m.name);
            if (m.kind == "file")
                text = m.where + ":\tfile\t" + m.path + "\t(or " + m.path + "\\" + m.name + ")";
            if (m.kind == "key")
                text += "\t(if the install made it)";
            auto found = std::find(order.begin(), order.end(), text);
            if (found == order.end()) {
                order.push_back(text);
                on.push_back(std::vector<bool>(installs.size(), false));
                on.back()[v] = true;
            } else {
                on[(size_t)(found - order.begin())][v] = true;
            }
        }
    }
    std::string out;
    for (size_t i = 0; i < order.size(); i++)
        out += VersionList(on[i], versions) + "\t" + order[i] + "\n";
    return out;
}
