// What one bay change asks for, decided from the bay status saved at the
// previous event (old), the one just read (new) and whether warm swapping
// is on: which devices leave, which ports are rescanned, and the floppy
// drive in or out, in the order the service does them. Free of system
// calls.
#pragma once

#include <stdint.h>

#include "bay_requests.h"

enum BayStepKind {
    BAY_STEP_REMOVE_FLOPPY,
    BAY_STEP_REMOVE_DEVICE, // the device at (port, target)
    BAY_STEP_INSTALL_FLOPPY,
    BAY_STEP_RESCAN_PORT // port
};

struct BayStep {
    BayStepKind kind;
    uint8_t bay; // the bay it comes from; BAY_COUNT for the floppy outside the bays
    uint8_t port;
    uint8_t target;
};

struct BayPlan {
    int count;
    BayStep steps[2 * BAY_COUNT + 2];
};

// The SCSI port and target that serve a bay (0-3).
void BayAddress(int bay, uint8_t* port, uint8_t* target);

// Removals for the changed bays, the floppy outside the bays leaving,
// installs and rescans for the changed bays, the floppy outside arriving.
BayPlan PlanBayChange(const BayStatus& oldStatus, const BayStatus& newStatus, bool warmSwapping);

// A step as text, for tests and records: "remove floppy", "remove 1.0",
// "install floppy", "rescan 1".
const char* DescribeStep(const BayStep& step, char* text, int size);
