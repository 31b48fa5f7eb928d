/* Small byte and text helpers shared by the simulated machines' models,
 * which run in kernel mode without a C library. Plain C.
 * Test equipment, never part of a deliverable. */
#ifndef SIM_TEXT_H
#define SIM_TEXT_H

#include <stddef.h>
#include <stdint.h>

void SimFill(unsigned char* p, unsigned char value, size_t n);
void SimCopy(unsigned char* dst, const unsigned char* src, size_t n);
size_t SimLength(const char* s, size_t max);

/* A record line built piece by piece, always terminated, cut at its size. */
struct SimLine {
    char* text;
    size_t size;
    size_t length;
};

void SimBegin(struct SimLine* line, char* text, size_t size);
void SimPut(struct SimLine* line, const char* s);
void SimPutChar(struct SimLine* line, char c);
void SimPutHex(struct SimLine* line, uint32_t value, int digits);
void SimPutDec(struct SimLine* line, uint32_t value);

#endif /* SIM_TEXT_H */
