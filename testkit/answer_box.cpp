// Answers the next message box on the bench's hidden screen, for runs by
// hand (docs/development.md): waits for a box of any program, prints its
// caption, text and buttons, and presses the one named.
//   answer_box [ok|cancel|yes|no|retry|abort|ignore] [SECONDS]   (default: ok 30)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "desktop.h"

namespace {

const struct {
    const char* name;
    int id;
} kButtons[] = {{"ok", IDOK},     {"cancel", IDCANCEL}, {"yes", IDYES},   {"no", IDNO},
                {"retry", IDRETRY}, {"abort", IDABORT},   {"ignore", IDIGNORE}};

} // namespace

int main(int argc, char** argv)
{
    const char* wanted = argc > 1 ? argv[1] : "ok";
    int seconds = argc > 2 ? atoi(argv[2]) : 30;
    int id = 0;
    for (const auto& button : kButtons) {
        if (_stricmp(button.name, wanted) == 0)
            id = button.id;
    }
    if (!id) {
        fprintf(stderr, "usage: answer_box [ok|cancel|yes|no|retry|abort|ignore] [SECONDS]\n");
        return 2;
    }
    for (int waited = 0; waited < seconds * 10; waited++) {
        HWND box = testkit::FindDialog(0, nullptr);
        if (!box) {
            Sleep(100);
            continue;
        }
        testkit::BoxSeen seen = testkit::DescribeBox(box);
        printf("box \"%s\": %s\nbuttons:", seen.caption.c_str(), seen.text.c_str());
        bool offered = false;
        for (const auto& button : kButtons) {
            for (int shown : seen.buttons) {
                if (shown == button.id) {
                    printf(" %s", button.name);
                    offered = offered || shown == id;
                }
            }
        }
        printf("\n");
        if (!offered) {
            fprintf(stderr, "answer_box: the box has no %s button; it is left open\n", wanted);
            return 1;
        }
        testkit::PressButton(box, id);
        printf("pressed %s\n", wanted);
        return 0;
    }
    fprintf(stderr, "answer_box: no box came within %d s\n", seconds);
    return 1;
}
