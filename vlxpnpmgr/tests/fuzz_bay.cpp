// libFuzzer target for the bay manager's pure logic: the bay-change
// decision, inquiry data, drive layouts and name lists, on any bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "bay_plan.h"
#include "device_walk.h"
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
    NamedNumbers named;
    named.count = 0;
    for (const char* name = list.Next(); name; name = list.Next()) {
        DeviceClass deviceClass;
        uint32_t number;
        if (ClassNumberOf(name, &deviceClass, &number))
            AddNamedNumber(&named, number, name);
    }
    if (size >= 8) {
        uint32_t count, window;
        memcpy(&count, data, 4);
        memcpy(&window, data + 4, 4);
        DeviceWalk walk;
        PlanDeviceWalk(named, count, window, &walk);
        for (int i = 1; i < walk.count; i++) {
            if (walk.numbers[i] <= walk.numbers[i - 1] || walk.numbers[i] >= count)
                __builtin_trap(); // ascending, each once, below the count
        }
    }
    return 0;
}
