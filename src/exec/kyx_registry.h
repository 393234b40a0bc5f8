// A registry of a KYX guest's processes and of the modules loaded into each (the load lists), plus
// the kernel's load list, fed by an outside tool with process records in the guest's big-endian
// layout. Output goes through a printf-style function the caller passes.
#pragma once

#include <cstdint>

struct KYXLoadListElement;

struct KYXProcess {
    KYXProcess *next; // sorted by ascending pid
    int32_t pid;
    int32_t ppid;
    uint8_t is64;
    KYXProcess *first_child; // filled while a tree is printed
    KYXProcess *next_sibling;
    KYXLoadListElement *load_list;
    uint32_t segments[16]; // one per 256 MiB segment of a 32-bit address space
};

struct KYXLoadListElement {
    KYXLoadListElement *next;
    KYXProcess *process; // null on the kernel list
    const char *module;  // into path, after its last "/"
    uint64_t text_segment;
    uint64_t text_ea;
    uint64_t text_length;
    uint64_t data_segment;
    uint64_t data_ea;
    uint64_t data_length;
    char path[1]; // the path, then "[member]" when there is one; allocated with the element
};

typedef int (*KYXPrintFunction)(const char *format, ...);

extern KYXProcess *KYXProcessAnchor;
extern KYXLoadListElement *KYXKernelLoadListAnchor;

// Adds or refreshes the process of the record and its load list. The record has no size: the load
// entries end at a zero length word, or at a length too short to hold an entry's fixed part, and
// a path is read no further than its entry. Null only when memory runs out.
KYXProcess *add_kyx_process(int32_t source, const uint8_t *record);
KYXLoadListElement *add_load_list_element(int32_t source, KYXProcess *process, const char *path,
                                          uint64_t text_segment, uint64_t text_ea, uint64_t text_length,
                                          uint64_t data_segment, uint64_t data_ea, uint64_t data_length);
void delete_kyx_process(int32_t pid);
KYXProcess *find_kyx_process(int32_t pid);
KYXProcess *find_kyx_process_by_name(const char *name);
KYXLoadListElement *find_load_list_element(KYXLoadListElement *list, const char *name);
void print_kyx_process(KYXPrintFunction print, KYXProcess *process, int depth);
int ShowProcessTree(KYXPrintFunction print);
int ShowLoadList(KYXPrintFunction print, const char *text);
int ShowAddresses(KYXPrintFunction print, const char *text);
