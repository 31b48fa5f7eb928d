/* Requests to the firmware-access drivers: names, control codes and the
 * byte layouts of every buffer. setuprun (C++) and the simulated drivers
 * under sim/ (C, kernel mode) both include this header, so the contract
 * is written down once. Plain C; all multi-byte fields are little-endian. */
#ifndef FIRMWARE_REQUESTS_H
#define FIRMWARE_REQUESTS_H

#include <stddef.h>
#include <stdint.h>

/* Windows NT kernel driver, registered for the run as a demand-start
 * kernel-driver service. */
#define FW_NT_SERVICE_NAME "NVXMgmt12"
#define FW_NT_DEVICE_PATH "\\\\.\\NVXMgmt12"
#define FW_NT_SOURCE_TAIL "\\NVXMGMT.SYS"          /* beside setuprun */
#define FW_NT_TARGET_TAIL "\\Drivers\\NVXMgmt.Sys" /* in the system directory */

/* Windows 95/98 VxD, loaded by Windows when the device is opened. */
#define FW_VXD_DEVICE_NAME "NVXINT15.VXD"
#define FW_VXD_DEVICE_PATH "\\\\.\\NVXINT15.VXD"
#define FW_VXD_SOURCE_TAIL "\\NVXInt15.VxD"
#define FW_VXD_TARGET_TAIL "\\NVXInt15.VxD"

/* NT control codes: device type 0x8000, functions 0x800, 0x802, 0x80A,
 * 0x816, 0x817, buffered, any access. */
#define FW_NT_IOCTL(function) ((0x8000u << 16) | ((uint32_t)(function) << 2))
#define FW_IOCTL_MEMORY_READ FW_NT_IOCTL(0x800)   /* 0x80002000 */
#define FW_IOCTL_SYSTEM_ID FW_NT_IOCTL(0x802)     /* 0x80002008 */
#define FW_IOCTL_CMOS_READ FW_NT_IOCTL(0x80A)     /* 0x80002028 */
#define FW_IOCTL_FIRMWARE_CALL FW_NT_IOCTL(0x816) /* 0x80002058 */
#define FW_IOCTL_CMOS_WRITE FW_NT_IOCTL(0x817)    /* 0x8000205C */

/* VxD control codes. */
#define FW_VXD_FIRMWARE_CALL 1u /* register block in, register block out */
#define FW_VXD_MAP_SEGMENT 2u   /* in: 16-bit segment; out: 32-bit address */
#define FW_VXD_SYSTEM_ID 4u     /* no input; out: 16-bit ID */

/* NT request bodies. */
enum {
    FW_MEMORY_READ_IN = 8,   /* 32-bit physical address, 32-bit length */
    FW_CMOS_READ_IN = 8,     /* 32-bit first CMOS index, 32-bit count */
    FW_CMOS_WRITE_IN = 5,    /* 32-bit CMOS index, 8-bit value */
    FW_SYSTEM_ID_OUT = 2     /* 16-bit ID */
};

/* VxD register block: 52 bytes, zero except the fields named. */
enum {
    FW_VXD_BLOCK_SIZE = 52,
    FW_VXD_AL = 0,
    FW_VXD_AH = 1, /* in the answer: the firmware's status */
    FW_VXD_BL = 4,
    FW_VXD_BH = 5,
    FW_VXD_CX = 8,            /* 2 bytes */
    FW_VXD_FLAGS = 32,        /* 4 bytes, answer only; bit 0 carry */
    FW_VXD_DATA_ADDRESS = 36, /* 4 bytes: the caller's data buffer (E819h only) */
    FW_VXD_DATA_LENGTH = 40   /* 4 bytes */
};

/* NT register block: 40 bytes, or 58 with an inline data area. */
enum {
    FW_NT_BLOCK_SIZE = 40,
    FW_NT_AL = 0,
    FW_NT_AH = 1,
    FW_NT_BL = 4,
    FW_NT_BH = 5,
    FW_NT_FLAGS = 28,        /* 4 bytes, answer; bit 0 carry */
    FW_NT_DATA_LENGTH = 32,  /* 4 bytes */
    FW_NT_DATA_LENGTH2 = 36, /* 4 bytes, the same length again */
    FW_NT_DATA = 40
};

#define FW_FLAG_CARRY 1u

/* Firmware functions (AH = E8h, AL = the subfunction). */
enum {
    FW_FUNCTION = 0xE8,
    FW_SUB_LANGUAGE_NT = 0x00,  /* E800h */
    FW_SUB_LANGUAGE_VXD = 0x05, /* E805h */
    FW_SUB_STRING = 0x19,       /* E819h: length-prefixed text */
    FW_SUB_CMOS = 0x23,         /* E823h: BH 0 read, 1 write CMOS[CX] */
    FW_CMOS_OP_READ = 0,
    FW_CMOS_OP_WRITE = 1
};

/* Data areas of E819h: a length byte, then the characters. */
enum {
    FW_STRING_DATA_VXD = 17,
    FW_STRING_DATA_NT = 18,
    FW_STRING_BLOCK_NT = FW_NT_DATA + FW_STRING_DATA_NT /* 58 */
};

/* The maker's name in the system ROM at F000:FFEA. */
enum {
    FW_ROM_SEGMENT = 0xF000,
    FW_ROM_SIGNATURE_OFFSET = 0xFFEA,
    FW_ROM_SIGNATURE_ADDRESS = 0xFFFEA,
    FW_ROM_SIGNATURE_SIZE = 6
};

/* The AT CMOS checksum: bytes 16..45 summed into 46 (high) and 47 (low). */
enum {
    FW_CMOS_SIZE = 128,
    FW_CHECKSUM_FIRST = 16,
    FW_CHECKSUM_COUNT = 30,
    FW_CHECKSUM_HIGH = 46,
    FW_CHECKSUM_LOW = 47
};

static inline uint32_t FwGet32(const unsigned char* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static inline uint16_t FwGet16(const unsigned char* p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

static inline void FwPut32(unsigned char* p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

static inline void FwPut16(unsigned char* p, uint16_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

#endif /* FIRMWARE_REQUESTS_H */
