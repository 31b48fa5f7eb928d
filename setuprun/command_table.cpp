// The runner's side of the command table (command_types.h): the handler
// of each type, from the same rows as the types' names and properties.
#include "commands.h"

namespace {

#define COMMAND_HANDLER(number, name, handler, check, plan, branches, properties) handler,
const CommandHandler kHandlers[kCommandTypeCount] = {SETUPRUN_COMMAND_TYPES(COMMAND_HANDLER)};
#undef COMMAND_HANDLER

} // namespace

CommandHandler CommandHandlerOf(int type)
{
    return type >= 0 && type < kCommandTypeCount ? kHandlers[type] : nullptr;
}
