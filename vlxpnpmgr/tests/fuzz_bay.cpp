// libFuzzer target for the bay manager's pure logic: the bay-change
// decision, inquiry data, drive layouts and name lists, on any bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "bay_plan.h"
#include "link_text.h"
#include "scsi_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 2 * sizeof(BayStatus) + 1) {
        BayStatus before, after;
        memcpy(&before, data, sizeof before);
        memcpy(&after, data + sizeof before, sizeof after);
        BayPlan plan = PlanBayChange(before, after, data[2 * sizeof before] & 1);
        if (plan.count < 0 || plan.count > (int)(sizeof plan.steps / sizeof plan.steps[0]))
            __builtin_trap();
    }
    InquiryEntry entry;
    FindInquiryEntry(data, size, size ? data[0] & 1 : 0, &entry);
    DriveLayout layout;
    ReadDriveLayout(data, size, &layout);
    NameList list(reinterpret_cast<const char*>(data), size);
    while (list.Next()) {
    }
    return 0;
}
