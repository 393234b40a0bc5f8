// The KYX process and load-list registry.
#include "exec/kyx_registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/utils.h"

KYXProcess *KYXProcessAnchor = nullptr;
KYXLoadListElement *KYXKernelLoadListAnchor = nullptr;

namespace
{

uint32_t be32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

uint64_t be64(const uint8_t *p)
{
    return (uint64_t)be32(p) << 32 | be32(p + 4);
}

void free_load_list(KYXLoadListElement *element)
{
    while (element) {
        KYXLoadListElement *next = element->next;
        quarn_free(element, __FILE__, __LINE__);
        element = next;
    }
}

// The text of at most `limit` bytes at p, up to its NUL.
std::string bounded(const uint8_t *p, size_t limit)
{
    return std::string((const char *)p, strnlen((const char *)p, limit));
}

void print_tree(KYXPrintFunction print, KYXProcess *process, int depth)
{
    for (; process; process = process->next_sibling) {
        print_kyx_process(print, process, depth);
        print_tree(print, process->first_child, depth + 1);
    }
}

} // namespace

KYXLoadListElement *add_load_list_element(int32_t source, KYXProcess *process, const char *path,
                                          uint64_t text_segment, uint64_t text_ea, uint64_t text_length,
                                          uint64_t data_segment, uint64_t data_ea, uint64_t data_length)
{
    if (!path) path = "";
    size_t length = strlen(path);
    auto *element = (KYXLoadListElement *)quarn_zalloc(sizeof(KYXLoadListElement) + length, 1, "char",
                                                       __FILE__, __LINE__);
    if (!element) return nullptr;
    memcpy(element->path, path, length + 1);
    const char *slash = strrchr(element->path, '/');
    element->module = slash ? slash + 1 : element->path;
    element->process = process;
    element->text_segment = text_segment;
    element->text_ea = text_ea;
    element->text_length = text_length;
    element->data_segment = data_segment;
    element->data_ea = data_ea;
    element->data_length = data_length;
    LogEntry("KYX_LOAD", source, "path=%s text_ea=0x%016lX text_len=%lld\n", element->path,
             (unsigned long)text_ea, (long long)text_length);
    if (!process) {
        element->next = KYXKernelLoadListAnchor;
        KYXKernelLoadListAnchor = element;
        return element;
    }
    KYXLoadListElement **tail = &process->load_list;
    while (*tail)
        tail = &(*tail)->next;
    *tail = element;
    return element;
}

KYXProcess *add_kyx_process(int32_t source, const uint8_t *record)
{
    if (!record) return nullptr;
    const int32_t pid = (int32_t)be32(record + 4);
    KYXProcess **place = &KYXProcessAnchor;
    while (*place && (*place)->pid < pid)
        place = &(*place)->next;
    KYXProcess *process = *place;
    if (!process || process->pid != pid) {
        process = QUARN_ZALLOC(1, KYXProcess);
        if (!process) return nullptr;
        process->pid = pid;
        process->next = *place;
        *place = process;
    }
    process->ppid = (int32_t)be32(record + 8);
    process->is64 = record[12];
    for (int i = 0; i < 16; i++)
        process->segments[i] = be32(record + 20 + 4 * i);
    free_load_list(process->load_list);
    process->load_list = nullptr;

    // Entries end at a zero length, or at one too short for the entry's fixed part, so that a corrupt
    // record can neither loop nor read past its entries.
    const uint32_t fixed = process->is64 ? 48 : 24;
    for (const uint8_t *entry = record + 84;;) {
        const uint32_t length = be32(entry);
        if (length == 0 || length < fixed) break;
        uint64_t text_ea, text_length, data_ea, data_length;
        if (process->is64) {
            text_ea = be64(entry + 16);
            text_length = be64(entry + 24);
            data_ea = be64(entry + 32);
            data_length = be64(entry + 40);
        } else {
            text_ea = be32(entry + 8);
            text_length = be32(entry + 12);
            data_ea = be32(entry + 16);
            data_length = be32(entry + 20);
        }
        const size_t room = length - fixed;
        std::string path = bounded(entry + fixed, room);
        if (path.size() + 1 < room) {
            std::string member = bounded(entry + fixed + path.size() + 1, room - path.size() - 1);
            if (!member.empty()) path += "[" + member + "]";
        }
        uint64_t text_segment = ~0ull, data_segment = ~0ull;
        if (!process->is64) {
            text_segment = process->segments[(text_ea >> 28) & 0xF];
            data_segment = process->segments[(data_ea >> 28) & 0xF];
        }
        add_load_list_element(source, process, path.c_str(), text_segment, text_ea, text_length, data_segment,
                              data_ea, data_length);
        entry += length;
    }
    return process;
}

void delete_kyx_process(int32_t pid)
{
    for (KYXProcess **place = &KYXProcessAnchor; *place; place = &(*place)->next) {
        if ((*place)->pid != pid) continue;
        KYXProcess *process = *place;
        *place = process->next;
        free_load_list(process->load_list);
        QUARN_FREE(process);
        return;
    }
}

KYXProcess *find_kyx_process(int32_t pid)
{
    for (KYXProcess *p = KYXProcessAnchor; p; p = p->next)
        if (p->pid == pid) return p;
    return nullptr;
}

KYXProcess *find_kyx_process_by_name(const char *name)
{
    for (KYXProcess *p = KYXProcessAnchor; p; p = p->next)
        if (p->load_list && name && !strcmp(p->load_list->path, name)) return p;
    return nullptr;
}

KYXLoadListElement *find_load_list_element(KYXLoadListElement *list, const char *name)
{
    if (!name) return nullptr;
    if (list) {
        for (; list; list = list->next)
            if (!strcmp(list->module, name)) return list;
        return nullptr;
    }
    for (KYXProcess *p = KYXProcessAnchor; p; p = p->next)
        for (KYXLoadListElement *e = p->load_list; e; e = e->next)
            if (!strcmp(e->module, name)) return e;
    return nullptr;
}

void print_kyx_process(KYXPrintFunction print, KYXProcess *process, int depth)
{
    if (!print || !process) return;
    for (int i = 0; i < depth; i++)
        print("  ");
    print("pid %d  %s\n", process->pid, process->load_list ? process->load_list->module : "");
}

int ShowProcessTree(KYXPrintFunction print)
{
    for (KYXProcess *p = KYXProcessAnchor; p; p = p->next)
        p->first_child = p->next_sibling = nullptr;
    for (KYXProcess *p = KYXProcessAnchor; p; p = p->next) {
        if (p->ppid == 0) continue;
        KYXProcess *parent = find_kyx_process(p->ppid);
        if (!parent || parent == p) continue;
        p->next_sibling = parent->first_child;
        parent->first_child = p;
    }
    if (KYXProcessAnchor) print_tree(print, KYXProcessAnchor, 0);
    return 0;
}

int ShowLoadList(KYXPrintFunction print, const char *text)
{
    if (!print || !text) return 0;
    char *end = nullptr;
    long pid = strtol(text, &end, 0);
    const bool is_number = end != text && *end == '\0';
    if (is_number && pid == 0) {
        print("kernel load list:\n");
        for (KYXLoadListElement *e = KYXKernelLoadListAnchor; e; e = e->next)
            print("    %s  text (vsid 0x%016lX, ea 0x%016lX)  data (vsid 0x%016lX, ea 0x%016lX)\n", e->path,
                  (unsigned long)(e->text_segment & 0xFFFFF), (unsigned long)e->text_ea,
                  (unsigned long)(e->data_segment & 0xFFFFF), (unsigned long)e->data_ea);
        return 0;
    }
    KYXProcess *process = is_number ? find_kyx_process((int32_t)pid) : find_kyx_process_by_name(text);
    if (!process) {
        print("process %s not found\n", text);
        return 0;
    }
    print_kyx_process(print, process, 0);
    for (KYXLoadListElement *e = process->load_list; e; e = e->next)
        print("    %s  text (vsid 0x%016lX, ea 0x%016lX)  data (vsid 0x%016lX, ea 0x%016lX)\n", e->path,
              (unsigned long)(e->text_segment & 0xFFFFF), (unsigned long)e->text_ea,
              (unsigned long)(e->data_segment & 0xFFFFF), (unsigned long)e->data_ea);
    return 0;
}

int ShowAddresses(KYXPrintFunction print, const char *text)
{
    if (!print) return 0;
    char process_name[256] = "", path[256] = "";
    if (!text || sscanf(text, "%255s %255s", process_name, path) != 2) {
        print("");
        return 0;
    }
    const char *slash = strrchr(path, '/');
    const char *module = slash ? slash + 1 : path;
    sim_warning(3, "ShowAddresses: process %s module %s", process_name, module);
    if (strcmp(process_name, "0") != 0) {
        KYXProcess *process = find_kyx_process_by_name(process_name);
        if (!process) {
            sim_warning(3, "ShowAddresses: process %s not found", process_name);
        } else if (KYXLoadListElement *e = find_load_list_element(process->load_list, module)) {
            print("32 0x%016lX 0x%016lX", (unsigned long)e->text_ea, (unsigned long)e->data_ea);
            return 0;
        }
    }
    print("");
    return 0;
}
