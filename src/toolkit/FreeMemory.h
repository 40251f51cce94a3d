#pragma once

// Hands the heap's free pages back to the system, so that the memory of a large report closed a
// moment ago no longer counts against the program. Does nothing where the C library cannot.
void ReturnFreeMemory();
