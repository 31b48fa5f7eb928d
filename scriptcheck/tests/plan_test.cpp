// Plans of small scripts: each case a script, the choices, and the effects
// as "<line> <kind> <args>" in run order, then how the run ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plan.h"
#include "plan_compare.h"
#include "proof_scripts.h"

namespace {

struct PlanCase {
    const char* what;
    std::string script; // after [CommandsList] at line 1
    PlanWindows windows;
    int answer; // 0: as a silent run answers
    std::vector<std::string> expected;
};

bool ReadMore(void*, const std::string& path, std::string* shown, std::string* text)
{
    if (path != "C:\\SETUP\\more.ini")
        return false;
    *shown = "more.ini";
    *text = "[More]\n32,from the appended file\n16,,C:\\old\n";
    return true;
}

std::vector<std::string> Effects(const Plan& plan)
{
    std::vector<std::string> out;
    for (const PlanStep& step : plan.steps) {
        std::string line = (step.file == "s.ini" ? "" : step.file + ":") + std::to_string(step.line) + " " + step.kind;
        for (const std::string& arg : step.args)
            line += " " + arg;
        out.push_back(line);
    }
    out.push_back("end " + plan.end);
    return out;
}

const PlanCase kCases[] = {
    {"registry values as the runner stores them: a DWORD of CMD03 is decimal, one of CMD14 hexadecimal",
     "3,Count\n14,List\n4,Count\n12,Count\n[Count]\nRegHive=HKEY_CURRENT_USER\nRegKey=Software\\P\nRegValue=N\n"
     "RegData=1000\nRegDataType=2\n[List]\n1,HKCU,Software\\P,Hex,2,1000\n1,HKCU,Software\\P,Multi,4,a\n"
     "3,HKCU,Software\\P,Old,0,\n2,HKLM,Software\\P\\Tree,,,\n",
     kPlanWin2000, 0,
     {"2 registry-key HKEY_CURRENT_USER\\Software\\P", "2 registry-set HKEY_CURRENT_USER\\Software\\P N REG_DWORD e8 03 00 00",
      "13 registry-set HKEY_CURRENT_USER\\Software\\P Hex REG_DWORD 00 10 00 00",
      "14 registry-set HKEY_CURRENT_USER\\Software\\P Multi REG_MULTI_SZ 61 00 00",
      "15 registry-delete-value HKEY_CURRENT_USER\\Software\\P Old", "16 registry-key HKEY_LOCAL_MACHINE\\Software\\P\\Tree",
      "16 registry-delete-tree HKEY_LOCAL_MACHINE\\Software\\P\\Tree", "4 registry-key HKEY_CURRENT_USER\\Software\\P",
      "4 registry-delete-value HKEY_CURRENT_USER\\Software\\P N", "5 registry-delete-key HKEY_CURRENT_USER\\Software\\P",
      "end DONE"}},
    {"a branch per Windows version takes effect at the end of the list; variables and built-in folders expand",
     "18,Other,W95,W98,NT4,W2K\n27,,V001,~%C103\\vorlix\n[W98]\n21,,~%V001\n15,,~%C001\\a.dll,~%V001\n[NT4]\n10\n"
     "[W95]\n10\n[W2K]\n10\n[Other]\n10\n",
     kPlanWin98, 0,
     {"3 variable V001 C:\\WINDOWS\\SYSTEM\\vorlix", "5 make-folder C:\\WINDOWS\\SYSTEM\\vorlix",
      "6 copy C:\\SETUP\\a.dll C:\\WINDOWS\\SYSTEM\\vorlix", "end DONE"}},
    {"a box answered No takes its second branch; CMD26 into [Variables] sets a variable; CMD19 expands it",
     "17,Ask,3,Yes,No\n[Ask.US]\nTitle=Install\nMessage1=Go on?\nMessage2=Really?\n[Yes]\n32,yes\n[No]\n"
     "26,,Variables,V002,Last\n19,~%V002\n[Last]\n11,,C:\\tools\\undo.exe /q,TRUE\n",
     kPlanNT4, 7,
     {"2 box Install Go on?\\nReally?\\n No", "10 variable V002 Last",
      "13 start C:\\tools\\undo.exe /q C:\\tools wait", "end DONE"}},
    {"CMD10 ends the run: nothing after it; a restart asked before it comes at the end",
     "20\n10\n21,,C:\\never\n", kPlanWin2000, 0,
     {"2 restart resumes at s.ini:4", "end exit"}},
    {"CMD28 brings sections in, and a branch waits for the end of its list",
     "28,~%C001\\more.ini\n19,More\n21,,C:\\first\n", kPlanWin2000, 0,
     {"2 append C:\\SETUP\\more.ini", "4 make-folder C:\\first", "more.ini:3 delete C:\\old", "end DONE"}},
    {"CMD29 deletes its list and the working copy; its restart flag is field 2",
     "29,Gone,,TRUE\n[Gone]\nC:\\temp\\a\n", kPlanWin2000, 0,
     {"4 delete C:\\temp\\a",
      "2 restart resumes from the start of the script: the run state is gone", "end working copy deleted"}},
    {"a step back that always comes again loops", "32,again\n6\n[DATA]\nDecCommand=1\n", kPlanWin2000, 0,
     {"end the run has not ended after 20000 commands: a loop"}},
};

TEST(ScriptPlan, EffectsInRunOrder)
{
    AppendSource appended = {ReadMore, nullptr};
    for (const PlanCase& c : kCases) {
        PlanOptions options;
        options.windows = c.windows;
        options.answer = c.answer;
        options.programDir = "C:\\SETUP";
        options.windowsDir = "C:\\WINDOWS";
        Plan plan = PlanScript("s.ini", "[CommandsList]\n" + c.script, &appended, options);
        EXPECT_EQ(c.expected, Effects(plan)) << c.what << "\n" << FormatPlan(plan);
    }
}

} // namespace

namespace {

std::vector<Plan> PlansOnEveryWindows(const std::string& script)
{
    std::vector<Plan> plans;
    for (PlanWindows windows : {kPlanWin95, kPlanWin98, kPlanNT4, kPlanWin2000, kPlanOtherWindows}) {
        PlanOptions options;
        options.windows = windows;
        options.programDir = "C:\\SETUP";
        options.windowsDir = "C:\\WINDOWS";
        plans.push_back(PlanScript("s.ini", "[CommandsList]\n" + script, nullptr, options));
    }
    return plans;
}

// The versions side by side, and what an install leaves that its removal
// does not take away: a folder the removal only empties, a startup entry,
// a value below a key the removal deletes (not left), a 98-only folder.
TEST(ScriptPlan, VersionsSideBySideAndWhatARemovalLeaves)
{
    const std::vector<std::string> names = {"95", "98", "nt4", "2000", "other"};
    std::string install = "21,,C:\\Program Files\\V\n15,,~%C001\\t.exe,C:\\Program Files\\V\n14,Reg\n"
                          "18,,,W98,,\n[Reg]\n1,HKLM,Software\\V,Path,0,x\n"
                          "1,HKLM,Software\\Microsoft\\Windows\\CurrentVersion\\Run,V,0,t.exe\n[W98]\n"
                          "21,,C:\\Only98\n";
    std::string removal = "16,,C:\\Program Files\\V\\t.exe\n14,Reg\n[Reg]\n2,HKLM,Software\\V,,,\n";
    EXPECT_EQ("all\ts.ini:2:\tmake-folder\tC:\\Program Files\\V\n"
              "all\ts.ini:3:\tcopy\tC:\\SETUP\\t.exe\tC:\\Program Files\\V\n"
              "all\ts.ini:7:\tregistry-key\tHKEY_LOCAL_MACHINE\\Software\\V\n"
              "all\ts.ini:7:\tregistry-set\tHKEY_LOCAL_MACHINE\\Software\\V\tPath\tREG_SZ\t78 00\n"
              "all\ts.ini:8:\tregistry-key\tHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
              "all\ts.ini:8:\tregistry-set\tHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\tV\t"
              "REG_SZ\t74 2e 65 78 65 00\n"
              "98\ts.ini:10:\tmake-folder\tC:\\Only98\n"
              "95,nt4,2000,other\ts.ini:5:\tunknown\tthe branch to [] names no list: the internal-error box, no "
              "branch\n"
              "95\tend\tDONE\n98\tend\tDONE\nnt4\tend\tDONE\n2000\tend\tDONE\nother\tend\tDONE\n",
              FormatPlansByVersion(names, PlansOnEveryWindows(install)));
    EXPECT_EQ("all\ts.ini:2:\tfolder\tC:\\Program Files\\V\n"
              "all\ts.ini:8:\tvalue\tHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\tV\n"
              "98\ts.ini:10:\tfolder\tC:\\Only98\n",
              FormatLeftovers(names, PlansOnEveryWindows(install), PlansOnEveryWindows(removal)));
}

} // namespace

namespace {

// The scripts the plans are proven on under Wine: every one is free of
// errors, so it gets a plan, and every plan ends by itself.
TEST(ScriptPlan, ProofScriptsAreCleanAndEnd)
{
    proof::ProofCorner corner = {"C:\\planproof\\c1", "Software\\PlanProof\\c1", "C:\\planproof\\c1\\install.log"};
    for (uint64_t seed = 1; seed <= 300; seed++) {
        std::string script = proof::GenerateProofScript(seed, corner);
        std::vector<Finding> findings = CheckScript("s.ini", script, nullptr);
        ASSERT_LT(ExitStatusFor(findings), kExitErrors) << "seed " << seed << "\n" << script;
        PlanOptions options;
        options.programDir = "C:\\SETUP";
        options.windowsDir = "C:\\WINDOWS";
        Plan plan = PlanScript("s.ini", script, nullptr, options);
        EXPECT_TRUE(plan.end == "DONE" || plan.end == "exit") << "seed " << seed << ": " << plan.end << "\n" << script;
    }
}

} // namespace
