#include "bay_plan.h"

#include <stdio.h>

static void Add(BayPlan* plan, BayStepKind kind, int bay)
{
    BayStep& step = plan->steps[plan->count++];
    step.kind = kind;
    step.bay = (uint8_t)bay;
    step.port = 0;
    step.target = 0;
    if (bay < BAY_COUNT)
        BayAddress(bay, &step.port, &step.target);
}

void BayAddress(int bay, uint8_t* port, uint8_t* target)
{
    // Bay 0 shares the first channel with the system disk (target 0).
    *port = (uint8_t)bay;
    *target = bay == 0 ? 1 : 0;
}

BayPlan PlanBayChange(const BayStatus& oldStatus, const BayStatus& newStatus, bool warmSwapping)
{
    BayPlan plan;
    plan.count = 0;
    for (int bay = 0; bay < BAY_COUNT; bay++) {
        if (!(newStatus.ChangeMask & (1u << bay)))
            continue;
        uint8_t before = oldStatus.Kind[bay], after = newStatus.Kind[bay];
        if (before == BAY_KIND_FLOPPY)
            Add(&plan, BAY_STEP_REMOVE_FLOPPY, bay);
        else if (before == BAY_KIND_IDE && (after == BAY_KIND_EMPTY || (after == BAY_KIND_IDE && warmSwapping)))
            Add(&plan, BAY_STEP_REMOVE_DEVICE, bay);
    }
    if (newStatus.OtherFloppy == 0 && oldStatus.OtherFloppy == 1)
        Add(&plan, BAY_STEP_REMOVE_FLOPPY, BAY_COUNT);
    for (int bay = 0; bay < BAY_COUNT; bay++) {
        if (!(newStatus.ChangeMask & (1u << bay)))
            continue;
        uint8_t before = oldStatus.Kind[bay], after = newStatus.Kind[bay];
        if (after == BAY_KIND_FLOPPY)
            Add(&plan, BAY_STEP_INSTALL_FLOPPY, bay);
        else if (after == BAY_KIND_IDE && (before == BAY_KIND_EMPTY || (before == BAY_KIND_IDE && warmSwapping)))
            Add(&plan, BAY_STEP_RESCAN_PORT, bay);
    }
    if (newStatus.OtherFloppy == 1 && oldStatus.OtherFloppy == 0)
        Add(&plan, BAY_STEP_INSTALL_FLOPPY, BAY_COUNT);
    return plan;
}

const char* DescribeStep(const BayStep& step, char* text, int size)
{
    switch (step.kind) {
    case BAY_STEP_REMOVE_FLOPPY:
        snprintf(text, (size_t)size, "remove floppy");
        break;
    case BAY_STEP_REMOVE_DEVICE:
        snprintf(text, (size_t)size, "remove %u.%u", step.port, step.target);
        break;
    case BAY_STEP_INSTALL_FLOPPY:
        snprintf(text, (size_t)size, "install floppy");
        break;
    default:
        snprintf(text, (size_t)size, "rescan %u", step.port);
        break;
    }
    return text;
}
