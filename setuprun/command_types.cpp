#include "command_types.h"

namespace {

#define COMMAND_TYPE_ROW(number, name, handler, check, plan, branches, properties) {number, name, properties, branches},
constexpr CommandType kCommandTypes[] = {SETUPRUN_COMMAND_TYPES(COMMAND_TYPE_ROW)};
#undef COMMAND_TYPE_ROW

constexpr bool RowsInTypeOrder()
{
    for (int i = 0; i < (int)(sizeof kCommandTypes / sizeof kCommandTypes[0]); i++) {
        if (kCommandTypes[i].number != i)
            return false;
    }
    return true;
}
static_assert(sizeof kCommandTypes / sizeof kCommandTypes[0] == kCommandTypeCount, "one row per command type");
static_assert(RowsInTypeOrder(), "the row of type n is row n");

} // namespace

const CommandType* FindCommandType(int type)
{
    return type >= 0 && type < kCommandTypeCount ? &kCommandTypes[type] : nullptr;
}

bool CommandHas(int type, CommandProperty property)
{
    const CommandType* row = FindCommandType(type);
    return row && (row->properties & property) != 0;
}

const BranchField* CommandBranches(int type)
{
    const CommandType* row = FindCommandType(type);
    return row ? row->branches : kNoBranches;
}

int HighestWorkingCommandType()
{
    int highest = 0;
    for (const CommandType& row : kCommandTypes) {
        if (!(row.properties & kCmdReserved))
            highest = row.number;
    }
    return highest;
}
