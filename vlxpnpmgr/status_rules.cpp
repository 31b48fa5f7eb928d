#include "status_rules.h"

// Controls are accepted only while running: pending or stopped, the
// service control manager refuses them for the service.
static void Enter(StatusRecord* s, uint32_t state, uint32_t checkpoint)
{
    s->state = state;
    s->checkpoint = checkpoint;
    bool pending = state == STATUS_START_PENDING || state == STATUS_STOP_PENDING;
    s->waitHint = pending ? PENDING_WAIT_HINT_MS : 0;
    s->controlsAccepted = state == STATUS_RUNNING ? STATUS_ACCEPT_STOP | STATUS_ACCEPT_SHUTDOWN : 0;
}

void StatusAtStart(StatusRecord* s)
{
    s->stopAsked = false;
    Enter(s, STATUS_START_PENDING, 1);
}

bool StatusOnControl(StatusRecord* s, uint32_t control)
{
    if (control != STATUS_CONTROL_STOP && control != STATUS_CONTROL_SHUTDOWN)
        return false;
    if (s->state == STATUS_STOPPED || s->state == STATUS_STOP_PENDING)
        return false;
    s->stopAsked = true;
    Enter(s, STATUS_STOP_PENDING, 1);
    return true;
}

bool StatusOnWorker(StatusRecord* s, uint32_t state, uint32_t checkpoint)
{
    if (s->state == STATUS_STOPPED || (s->stopAsked && state == STATUS_RUNNING))
        return false;
    Enter(s, state, checkpoint);
    return true;
}

bool StatusOnStep(StatusRecord* s)
{
    if (s->state != STATUS_START_PENDING && s->state != STATUS_STOP_PENDING)
        return false;
    s->checkpoint++;
    return true;
}
