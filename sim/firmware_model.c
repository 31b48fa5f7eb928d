#include "firmware_model.h"

#include "firmware_sim.h"

/* No C library in kernel mode: the few helpers are written out. */
static void Fill(unsigned char* p, unsigned char value, size_t n)
{
    for (size_t i = 0; i < n; i++)
        p[i] = value;
}

static void Copy(unsigned char* dst, const unsigned char* src, size_t n)
{
    for (size_t i = 0; i < n; i++)
        dst[i] = src[i];
}

/* A record line built piece by piece, always terminated, cut at its size. */
struct Line {
    char* text;
    size_t size;
    size_t length;
};

static void Put(struct Line* line, const char* s)
{
    while (*s && line->length + 1 < line->size)
        line->text[line->length++] = *s++;
    if (line->size)
        line->text[line->length] = '\0';
}

static void PutHex(struct Line* line, uint32_t value, int digits)
{
    char s[9];
    if (digits > 8)
        digits = 8;
    for (int i = digits - 1; i >= 0; i--) {
        s[i] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    }
    s[digits] = '\0';
    Put(line, s);
}

static void PutDec(struct Line* line, uint32_t value)
{
    char s[11];
    int i = 10;
    s[i] = '\0';
    do {
        s[--i] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    Put(line, s + i);
}

static void Begin(struct Line* line, char* record, size_t size, enum FwSimRole role)
{
    line->text = record;
    line->size = size;
    line->length = 0;
    if (size)
        record[0] = '\0';
    Put(line, role == FW_SIM_ROLE_NT ? "NT " : "VxD ");
}

static enum FwSimOutcome Finish(struct Line* line, enum FwSimOutcome outcome)
{
    static const char* const kOutcome[] = {": ok", ": bad request", ": failed as configured", ": unknown code",
                                           ": not simulated"};
    Put(line, kOutcome[outcome]);
    return outcome;
}

void FwSimRecordText(char* record, size_t recordSize, enum FwSimRole role, const char* text)
{
    struct Line line;
    Begin(&line, record, recordSize, role);
    Put(&line, text);
}

void FwSimMachineReset(struct FwSimMachine* m)
{
    Fill(m->rom, 0xFF, sizeof m->rom);
    Fill(m->cmos, 0, sizeof m->cmos);
    Fill(m->text, 0, sizeof m->text);
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
            Copy(data, m->text, FW_STRING_DATA_NT);
        }
        break;
    default:
        c->ah = 0x86; /* function not supported */
        return;
    }
    c->ah = 0;
    c->carry = 0;
}

static void PutCall(struct Line* line, const struct Call* c, int withCx)
{
    Put(line, "firmware ");
    PutHex(line, (uint32_t)(c->ah << 8 | c->al), 4);
    Put(line, " BX=");
    PutHex(line, (uint32_t)(c->bh << 8 | c->bl), 4);
    if (withCx) {
        Put(line, " CX=");
        PutHex(line, c->cx, 4);
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
                                         unsigned char* out, size_t outSize, size_t* returned, struct Line* line)
{
    unsigned char block[FW_VXD_BLOCK_SIZE];
    if (inSize != FW_VXD_BLOCK_SIZE || outSize != FW_VXD_BLOCK_SIZE) {
        Put(line, "firmware call with ");
        PutDec(line, (uint32_t)inSize);
        Put(line, "/");
        PutDec(line, (uint32_t)outSize);
        Put(line, " bytes");
        return Finish(line, FW_SIM_BAD_REQUEST);
    }
    Copy(block, in, sizeof block);
    struct Call c = {block[FW_VXD_AL], block[FW_VXD_AH], block[FW_VXD_BL], block[FW_VXD_BH],
                     FwGet16(block + FW_VXD_CX), 0};
    uint32_t address = FwGet32(block + FW_VXD_DATA_ADDRESS);
    uint32_t length = FwGet32(block + FW_VXD_DATA_LENGTH);
    PutCall(line, &c, 1);
    int isString = c.ah == FW_FUNCTION && c.al == FW_SUB_STRING;
    if (address || length) {
        Put(line, " data=");
        PutDec(line, length);
        Put(line, address ? " at caller" : " at null");
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
    Copy(out, block, sizeof block);
    *returned = sizeof block;
    return Finish(line, FW_SIM_OK);
}

static enum FwSimOutcome NtFirmwareCall(struct FwSimMachine* m, const unsigned char* in, size_t inSize,
                                        unsigned char* out, size_t outSize, size_t* returned, struct Line* line)
{
    unsigned char block[FW_STRING_BLOCK_NT];
    if (inSize != outSize || (inSize != FW_NT_BLOCK_SIZE && inSize != FW_STRING_BLOCK_NT)) {
        Put(line, "firmware call with ");
        PutDec(line, (uint32_t)inSize);
        Put(line, "/");
        PutDec(line, (uint32_t)outSize);
        Put(line, " bytes");
        return Finish(line, FW_SIM_BAD_REQUEST);
    }
    Copy(block, in, inSize);
    struct Call c = {block[FW_NT_AL], block[FW_NT_AH], block[FW_NT_BL], block[FW_NT_BH], 0, 0};
    PutCall(line, &c, 0);
    Put(line, " size=");
    PutDec(line, (uint32_t)inSize);
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
    Copy(out, block, inSize);
    *returned = inSize;
    return Finish(line, FW_SIM_OK);
}

static enum FwSimOutcome SystemId(struct FwSimMachine* m, size_t inSize, unsigned char* out, size_t outSize,
                                  size_t* returned, struct Line* line)
{
    Put(line, "system id");
    if (inSize != 0 || outSize != FW_SYSTEM_ID_OUT)
        return Finish(line, FW_SIM_BAD_REQUEST);
    if (m->fail & FW_SIM_FAIL_SYSTEM_ID)
        return Finish(line, FW_SIM_FAILED);
    FwPut16(out, m->systemId);
    *returned = (m->fail & FW_SIM_SHORT_SYSTEM_ID) ? 1 : FW_SYSTEM_ID_OUT;
    return Finish(line, FW_SIM_OK);
}

static enum FwSimOutcome NtRequest(struct FwSimMachine* m, uint32_t code, const unsigned char* in, size_t inSize,
                                   unsigned char* out, size_t outSize, size_t* returned, struct Line* line)
{
    uint32_t a = inSize >= 4 ? FwGet32(in) : 0;
    uint32_t b = inSize >= 8 ? FwGet32(in + 4) : 0;
    switch (code) {
    case FW_IOCTL_MEMORY_READ:
        Put(line, "memory read ");
        PutHex(line, a, 8);
        Put(line, " ");
        PutDec(line, b);
        /* Only the system ROM segment is there to read. */
        if (inSize != FW_MEMORY_READ_IN || b == 0 || outSize != b || a < 0xF0000u || a > 0x100000u ||
            b > 0x100000u - a)
            return Finish(line, FW_SIM_BAD_REQUEST);
        if (m->fail & FW_SIM_FAIL_MEMORY_READ)
            return Finish(line, FW_SIM_FAILED);
        Copy(out, m->rom + (a - 0xF0000u), b);
        *returned = b;
        return Finish(line, FW_SIM_OK);
    case FW_IOCTL_SYSTEM_ID:
        return SystemId(m, inSize, out, outSize, returned, line);
    case FW_IOCTL_CMOS_READ:
        Put(line, "CMOS read ");
        PutDec(line, a);
        Put(line, " ");
        PutDec(line, b);
        if (inSize != FW_CMOS_READ_IN || b == 0 || outSize != b || a >= FW_CMOS_SIZE || b > FW_CMOS_SIZE - a)
            return Finish(line, FW_SIM_BAD_REQUEST);
        if (m->fail & FW_SIM_FAIL_CMOS_READ)
            return Finish(line, FW_SIM_FAILED);
        Copy(out, m->cmos + a, b);
        *returned = b;
        return Finish(line, FW_SIM_OK);
    case FW_IOCTL_CMOS_WRITE:
        Put(line, "CMOS write ");
        PutDec(line, a);
        Put(line, " ");
        PutHex(line, inSize >= 5 ? in[4] : 0, 2);
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
    Put(line, "control code ");
    PutHex(line, code, 8);
    return Finish(line, FW_SIM_UNKNOWN_CODE);
}

static enum FwSimOutcome VxdRequest(struct FwSimMachine* m, uint32_t code, const unsigned char* in, size_t inSize,
                                    unsigned char* out, size_t outSize, size_t* returned, struct Line* line)
{
    switch (code) {
    case FW_VXD_FIRMWARE_CALL:
        return VxdFirmwareCall(m, in, inSize, out, outSize, returned, line);
    case FW_VXD_MAP_SEGMENT:
        Put(line, "map segment ");
        PutHex(line, inSize == 2 ? FwGet16(in) : 0, 4);
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
    Put(line, "control code ");
    PutHex(line, code, 8);
    return Finish(line, FW_SIM_UNKNOWN_CODE);
}

enum FwSimOutcome FwSimHandle(struct FwSimMachine* m, enum FwSimRole role, uint32_t code, const unsigned char* in,
                              size_t inSize, unsigned char* out, size_t outSize, size_t* returned, char* record,
                              size_t recordSize)
{
    struct Line line;
    Begin(&line, record, recordSize, role);
    *returned = 0;
    if (!in)
        inSize = 0;
    if (!out)
        outSize = 0;
    return role == FW_SIM_ROLE_NT ? NtRequest(m, code, in, inSize, out, outSize, returned, &line)
                                  : VxdRequest(m, code, in, inSize, out, outSize, returned, &line);
}
