#include "firmware_model.h"

#include "firmware_sim.h"
#include "sim_text.h"

static void Begin(struct SimLine* line, char* record, size_t size, enum FwSimRole role)
{
    SimBegin(line, record, size);
    SimPut(line, role == FW_SIM_ROLE_NT ? "NT " : "VxD ");
}

static enum FwSimOutcome Finish(struct SimLine* line, enum FwSimOutcome outcome)
{
    static const char* const kOutcome[] = {": ok", ": bad request", ": failed as configured", ": unknown code",
                                           ": not simulated"};
    SimPut(line, kOutcome[outcome]);
    return outcome;
}

void FwSimRecordText(char* record, size_t recordSize, enum FwSimRole role, const char* text)
{
    struct SimLine line;
    Begin(&line, record, recordSize, role);
    SimPut(&line, text);
}

void FwSimMachineReset(struct FwSimMachine* m)
{
    SimFill(m->rom, 0xFF, sizeof m->rom);
    SimFill(m->cmos, 0, sizeof m->cmos);
    SimFill(m->text, 0, sizeof m->text);
    m->systemId = 0;
    m->firmwareStatus = 0;
    m->fail = 0;
    m->cmosChanged = 0;
}

/* True when every byte of p[from..to) is zero. */
static int ZeroRange(const unsigned char* p, size_t from, size_t to)
{
    for (size_t i = from; i < to; i++) {
        if (p[i])
            return 0;
    }
    return 1;
}

/* The firmware call interface, on registers taken from either block.
 * Sets al, ah and carry of the answer; data is the NT inline data area
 * (null for the VxD, whose data buffer lies in the caller's memory). */
struct Call {
    unsigned char al, ah, bl, bh;
    uint16_t cx;
    int carry;
};

static void Firmware(struct FwSimMachine* m, struct Call* c, unsigned char* data, size_t dataSize)
{
    unsigned function = (unsigned)(c->ah << 8 | c->al);
    c->carry = 1;
    if (m->firmwareStatus) {
        c->ah = (unsigned char)m->firmwareStatus;
        return;
    }
    switch (function) {
    case 0xE800 | FW_SUB_CMOS:
        if (c->cx >= FW_CMOS_SIZE || c->bh > FW_CMOS_OP_WRITE) {
            c->ah = 0x01; /* invalid parameter */
            return;
        }
        if (c->bh == FW_CMOS_OP_READ) {
            c->al = m->cmos[c->cx];
        } else {
            m->cmos[c->cx] = c->bl;
            m->cmosChanged = 1;
        }
        break;
    case 0xE800 | FW_SUB_LANGUAGE_NT:
    case 0xE800 | FW_SUB_LANGUAGE_VXD:
        break; /* the language code is only recorded */
    case 0xE800 | FW_SUB_STRING:
        if (data) {
            if (dataSize < FW_STRING_DATA_NT) {
                c->ah = 0x01;
                return;
            }
            SimCopy(data, m->text, FW_STRING_DATA_NT);
        }
        break;
    default:
        c->ah = 0x86; /* function not supported */
        return;
    }
    c->ah = 0;
    c->carry = 0;
}

static void PutCall(struct SimLine* line, const struct Call* c, int withCx)
{
    SimPut(line, "firmware ");
    SimPutHex(line, (uint32_t)(c->ah << 8 | c->al), 4);
    SimPut(line, " BX=");
    SimPutHex(line, (uint32_t)(c->bh << 8 | c->bl), 4);
    if (withCx) {
        SimPut(line, " CX=");
        SimPutHex(line, c->cx, 4);
    }
}

/* The VxD reaches CMOS through E823h: its reads and writes fail with the
 * same configuration bits as the NT driver's CMOS requests. */
static int CmosCallFails(const struct FwSimMachine* m, const struct Call* c)
{
    if (c->ah != FW_FUNCTION || c->al != FW_SUB_CMOS)
        return 0;
    return c->bh == FW_CMOS_OP_READ ? (m->fail & FW_SIM_FAIL_CMOS_READ) != 0 : (m->fail & FW_SIM_FAIL_CMOS_WRITE) != 0;
}

static enum FwSimOutcome VxdFirmwareCall(struct FwSimMachine* m, const unsigned char* in, size_t inSize,
                                         unsigned char* out, size_t outSize, size_t* returned, struct SimLine* line)
{
    unsigned char block[FW_VXD_BLOCK_SIZE];
    if (inSize != FW_VXD_BLOCK_SIZE || outSize != FW_VXD_BLOCK_SIZE) {
        SimPut(line, "firmware call with ");
        SimPutDec(line, (uint32_t)inSize);
        SimPut(line, "/");
        SimPutDec(line, (uint32_t)outSize);
        SimPut(line, " bytes");
        return Finish(line, FW_SIM_BAD_REQUEST);
    }
    SimCopy(block, in, sizeof block);
    struct Call c = {block[FW_VXD_AL], block[FW_VXD_AH], block[FW_VXD_BL], block[FW_VXD_BH],
                     FwGet16(block + FW_VXD_CX), 0};
    uint32_t address = FwGet32(block + FW_VXD_DATA_ADDRESS);
    uint32_t length = FwGet32(block + FW_VXD_DATA_LENGTH);
    PutCall(line, &c, 1);
    int isString = c.ah == FW_FUNCTION && c.al == FW_SUB_STRING;
    if (address || length) {
        SimPut(line, " data=");
        SimPutDec(line, length);
        SimPut(line, address ? " at caller" : " at null");
    }
    /* Only the named fields may be set, and the data buffer only for E819h. */
    int layout = ZeroRange(block, 2, 4) && ZeroRange(block, 6, 8) && ZeroRange(block, 10, FW_VXD_DATA_ADDRESS) &&
                 ZeroRange(block, FW_VXD_DATA_LENGTH + 4, FW_VXD_BLOCK_SIZE) &&
                 (isString ? (address != 0 && length == FW_STRING_DATA_VXD) : (address == 0 && length == 0));
    if (!layout)
        return Finish(line, FW_SIM_BAD_REQUEST);
    if ((m->fail & FW_SIM_FAIL_FIRMWARE_CALL) || CmosCallFails(m, &c))
        return Finish(line, FW_SIM_FAILED);
    /* The text cannot be written into the caller's buffer from here: the
     * call answers without it. */
    Firmware(m, &c, 0, 0);
    block[FW_VXD_AL] = c.al;
    block[FW_VXD_AH] = c.ah;
    FwPut32(block + FW_VXD_FLAGS, c.carry ? FW_FLAG_CARRY : 0);
    SimCopy(out, block, sizeof block);
    *returned = sizeof block;
    return Finish(line, FW_SIM_OK);
}

static enum FwSimOutcome NtFirmwareCall(struct FwSimMachine* m, const unsigned char* in, size_t inSize,
                                        unsigned char* out, size_t outSize, size_t* returned, struct SimLine* line)
{
    unsigned char block[FW_STRING_BLOCK_NT];
    if (inSize != outSize || (inSize != FW_NT_BLOCK_SIZE && inSize != FW_STRING_BLOCK_NT)) {
        SimPut(line, "firmware call with ");
        SimPutDec(line, (uint32_t)inSize);
        SimPut(line, "/");
        SimPutDec(line, (uint32_t)outSize);
        SimPut(line, " bytes");
        return Finish(line, FW_SIM_BAD_REQUEST);
    }
    SimCopy(block, in, inSize);
    struct Call c = {block[FW_NT_AL], block[FW_NT_AH], block[FW_NT_BL], block[FW_NT_BH], 0, 0};
    PutCall(line, &c, 0);
    SimPut(line, " size=");
    SimPutDec(line, (uint32_t)inSize);
    uint32_t dataLength = (uint32_t)(inSize - FW_NT_BLOCK_SIZE);
    int layout = ZeroRange(block, 2, 4) && ZeroRange(block, 6, FW_NT_DATA_LENGTH) &&
                 FwGet32(block + FW_NT_DATA_LENGTH) == dataLength && FwGet32(block + FW_NT_DATA_LENGTH2) == dataLength &&
                 ZeroRange(block, FW_NT_DATA, inSize);
    if (!layout)
        return Finish(line, FW_SIM_BAD_REQUEST);
    if (m->fail & FW_SIM_FAIL_FIRMWARE_CALL)
        return Finish(line, FW_SIM_FAILED);
    Firmware(m, &c, dataLength ? block + FW_NT_DATA : 0, dataLength);
    block[FW_NT_AL] = c.al;
    block[FW_NT_AH] = c.ah;
    FwPut32(block + FW_NT_FLAGS, c.carry ? FW_FLAG_CARRY : 0);
    SimCopy(out, block, inSize);
    *returned = inSize;
    return Finish(line, FW_SIM_OK);
}

static enum FwSimOutcome SystemId(struct FwSimMachine* m, size_t inSize, unsigned char* out, size_t outSize,
                                  size_t* returned, struct SimLine* line)
{
    SimPut(line, "system id");
    if (inSize != 0 || outSize != FW_SYSTEM_ID_OUT)
        return Finish(line, FW_SIM_BAD_REQUEST);
    if (m->fail & FW_SIM_FAIL_SYSTEM_ID)
        return Finish(line, FW_SIM_FAILED);
    FwPut16(out, m->systemId);
    *returned = (m->fail & FW_SIM_SHORT_SYSTEM_ID) ? 1 : FW_SYSTEM_ID_OUT;
    return Finish(line, FW_SIM_OK);
}

static enum FwSimOutcome NtRequest(struct FwSimMachine* m, uint32_t code, const unsigned char* in, size_t inSize,
                                   unsigned char* out, size_t outSize, size_t* returned, struct SimLine* line)
{
    uint32_t a = inSize >= 4 ? FwGet32(in) : 0;
    uint32_t b = inSize >= 8 ? FwGet32(in + 4) : 0;
    switch (code) {
    case FW_IOCTL_MEMORY_READ:
        SimPut(line, "memory read ");
        SimPutHex(line, a, 8);
        SimPut(line, " ");
        SimPutDec(line, b);
        /* Only the system ROM segment is there to read. */
        if (inSize != FW_MEMORY_READ_IN || b == 0 || outSize != b || a < 0xF0000u || a > 0x100000u ||
            b > 0x100000u - a)
            return Finish(line, FW_SIM_BAD_REQUEST);
        if (m->fail & FW_SIM_FAIL_MEMORY_READ)
            return Finish(line, FW_SIM_FAILED);
        SimCopy(out, m->rom + (a - 0xF0000u), b);
        *returned = b;
        return Finish(line, FW_SIM_OK);
    case FW_IOCTL_SYSTEM_ID:
        return SystemId(m, inSize, out, outSize, returned, line);
    case FW_IOCTL_CMOS_READ:
        SimPut(line, "CMOS read ");
        SimPutDec(line, a);
        SimPut(line, " ");
        SimPutDec(line, b);
        if (inSize != FW_CMOS_READ_IN || b == 0 || outSize != b || a >= FW_CMOS_SIZE || b > FW_CMOS_SIZE - a)
            return Finish(line, FW_SIM_BAD_REQUEST);
        if (m->fail & FW_SIM_FAIL_CMOS_READ)
            return Finish(line, FW_SIM_FAILED);
        SimCopy(out, m->cmos + a, b);
        *returned = b;
        return Finish(line, FW_SIM_OK);
    case FW_IOCTL_CMOS_WRITE:
        SimPut(line, "CMOS write ");
        SimPutDec(line, a);
        SimPut(line, " ");
        SimPutHex(line, inSize >= 5 ? in[4] : 0, 2);
        if (inSize != FW_CMOS_WRITE_IN || outSize != 0 || a >= FW_CMOS_SIZE)
            return Finish(line, FW_SIM_BAD_REQUEST);
        if (m->fail & FW_SIM_FAIL_CMOS_WRITE)
            return Finish(line, FW_SIM_FAILED);
        m->cmos[a] = in[4];
        m->cmosChanged = 1;
        return Finish(line, FW_SIM_OK);
    case FW_IOCTL_FIRMWARE_CALL:
        return NtFirmwareCall(m, in, inSize, out, outSize, returned, line);
    default:
        break;
    }
    SimPut(line, "control code ");
    SimPutHex(line, code, 8);
    return Finish(line, FW_SIM_UNKNOWN_CODE);
}

static enum FwSimOutcome VxdRequest(struct FwSimMachine* m, uint32_t code, const unsigned char* in, size_t inSize,
                                    unsigned char* out, size_t outSize, size_t* returned, struct SimLine* line)
{
    switch (code) {
    case FW_VXD_FIRMWARE_CALL:
        return VxdFirmwareCall(m, in, inSize, out, outSize, returned, line);
    case FW_VXD_MAP_SEGMENT:
        SimPut(line, "map segment ");
        SimPutHex(line, inSize == 2 ? FwGet16(in) : 0, 4);
        if (inSize != 2 || outSize != 4)
            return Finish(line, FW_SIM_BAD_REQUEST);
        /* The answer is an address in the caller's own memory, which a
         * driver under Wine cannot provide. */
        return Finish(line, FW_SIM_NOT_SIMULATED);
    case FW_VXD_SYSTEM_ID:
        return SystemId(m, inSize, out, outSize, returned, line);
    default:
        break;
    }
    SimPut(line, "control code ");
    SimPutHex(line, code, 8);
    return Finish(line, FW_SIM_UNKNOWN_CODE);
}

enum FwSimOutcome FwSimHandle(struct FwSimMachine* m, enum FwSimRole role, uint32_t code, const unsigned char* in,
                              size_t inSize, unsigned char* out, size_t outSize, size_t* returned, char* record,
                              size_t recordSize)
{
    struct SimLine line;
    Begin(&line, record, recordSize, role);
    *returned = 0;
    if (!in)
        inSize = 0;
    if (!out)
        outSize = 0;
    return role == FW_SIM_ROLE_NT ? NtRequest(m, code, in, inSize, out, outSize, returned, &line)
                                  : VxdRequest(m, code, in, inSize, out, outSize, returned, &line);
}
