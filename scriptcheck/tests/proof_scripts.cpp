#include "proof_scripts.h"

#include <set>
#include <vector>

namespace proof {

namespace {

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    unsigned Below(unsigned n)
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return (unsigned)((state_ * 0x2545F4914F6CDD1Dull) >> 33) % n;
    }

private:
    uint64_t state_;
};

// Builds one script; the names it makes are numbered so none repeats, and
// the files it knows to be there are the ones later commands work on.
class Writer {
public:
    Writer(uint64_t seed, const ProofCorner& corner) : rng_(seed), corner_(corner) {}

    std::string Script()
    {
        std::string lists = "[CommandsList]\n" + List(3 + rng_.Below(5), true);
        return "[Data]\nLogging=1\nLogFile=" + corner_.logFile + "\n" + lists + data_;
    }

private:
    Rng rng_;
    ProofCorner corner_;
    std::string data_; // the data sections and further lists
    int next_ = 1;
    std::vector<std::string> files_; // files in the corner, by name
    bool variableSet_ = false;

    std::string Name(const char* stem) { return stem + std::to_string(next_++); }
    std::string Path(const std::string& name) const { return corner_.folder + "\\" + name; }

    std::string RegistrySection(const char* type)
    {
        std::string section = Name("Reg");
        std::string value = Name("v");
        data_ += "[" + section + "]\nRegHive=HKEY_CURRENT_USER\nRegKey=" + corner_.keyPath + "\\" + Name("k") +
                 "\nRegValue=" + value + "\nRegData=" + std::to_string(rng_.Below(100000)) +
                 "\nRegDataType=" + type + "\n";
        return section;
    }

    // A list a branch leads to runs after the whole first list: its
    // commands make new things only, so that what the first list expects
    // to find is there whichever list runs.
    std::string Command(bool mayBranch)
    {
        static const unsigned kBranchListKinds[] = {0, 1, 4, 5, 6, 7, 9, 10};
        unsigned kind = mayBranch ? rng_.Below(14) : kBranchListKinds[rng_.Below(8)];
        switch (kind) {
        case 0:
            return "21,," + Path(Name("d")) + "\n";
        case 1: {
            std::string file = Name("f");
            if (mayBranch)
                files_.push_back(file);
            return "15,,~%C001\\src.txt," + Path(file) + "\n";
        }
        case 2:
            if (files_.empty())
                return "32,nothing to rename\n";
            else {
                std::string to = Name("r");
                std::string from = files_[rng_.Below((unsigned)files_.size())];
                for (std::string& f : files_) {
                    if (f == from)
                        f = to;
                }
                return "31,," + Path(from) + "," + Path(to) + "\n";
            }
        case 3:
            if (files_.empty())
                return "32,nothing to delete\n";
            else {
                unsigned at = rng_.Below((unsigned)files_.size());
                std::string gone = files_[at];
                files_.erase(files_.begin() + at);
                return "16,," + Path(gone) + "\n";
            }
        case 4: {
            static const char* const kTypes[] = {"0", "1", "2", "3", "4"};
            return "3," + RegistrySection(kTypes[rng_.Below(5)]) + "\n";
        }
        case 5: {
            std::string section = RegistrySection("0");
            return "3," + section + "\n" + (rng_.Below(2) ? "4," : "12,") + section + "\n";
        }
        case 6: {
            std::string section = Name("List");
            std::string key = corner_.keyPath + "\\" + Name("k");
            data_ += "[" + section + "]\n1,HKCU," + key + ",s,0,text " + std::to_string(next_) + "\n1,HKCU," + key +
                     ",d,2,0000" + std::to_string(1000 + rng_.Below(9000)) + "\n1,HKCU," + key +
                     ",b,1,0A0B0C\n1,HKCU," + key + ",x,0,gone\n3,HKCU," + key + ",x,0,\n";
            return "14," + section + "\n";
        }
        case 7:
            variableSet_ = variableSet_ || mayBranch;
            return "27,,V001," + Path(Name("vd")) + "\n";
        case 8:
            return variableSet_ ? "21,,~%V001\n" : "26,,Variables,V001," + Path(Name("vd")) + "\n";
        case 9:
            return "26,,Settings," + Name("key") + ",~%C103\n";
        case 10:
            return "32,step " + std::to_string(next_++) + "\n";
        case 11: {
            static const char* const kVersions[] = {"Other", "W95", "W98", "NT4", "W2K"};
            std::string line = "18";
            for (const char* version : kVersions) {
                std::string list = Name(version);
                line += "," + list;
                data_ += "[" + list + "]\n" + List(1 + rng_.Below(3), false);
            }
            return line + "\n";
        }
        case 12: {
            std::string box = Name("Ask");
            std::string yes = Name("Yes"), no = Name("No");
            data_ += "[" + box + ".US]\nTitle=Question " + box + "\nMessage1=Go on with " + box + "?\n[" + yes +
                     "]\n" + List(1 + rng_.Below(2), false) + "[" + no + "]\n" + List(1, false);
            return "17," + box + ",3," + yes + "," + no + "\n";
        }
        default: {
            std::string list = Name("Next");
            data_ += "[" + list + "]\n" + List(1 + rng_.Below(3), false);
            return "19," + list + "\n";
        }
        }
    }

    // A list; only the first may branch, so that every script ends.
    std::string List(unsigned commands, bool mayBranch)
    {
        std::string text;
        bool branched = false;
        for (unsigned i = 0; i < commands; i++) {
            std::string line = Command(mayBranch && !branched);
            branched = branched || line.compare(0, 3, "18,") == 0 || line.compare(0, 3, "17,") == 0 ||
                       line.compare(0, 3, "19,") == 0;
            text += line;
        }
        if (!mayBranch && rng_.Below(4) == 0)
            text += "10\n";
        return text;
    }
};

} // namespace

std::string GenerateProofScript(uint64_t seed, const ProofCorner& corner)
{
    return Writer(seed, corner).Script();
}

} // namespace proof
