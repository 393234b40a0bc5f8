// Checkpoint directories and files: a fresh directory that never replaces an existing one ("save",
// then "save.0", "save.1", ...), opening one for a restore, files inside it, and raw memory images
// written and read as one block.
#pragma once

#include <cstdint>
#include <cstdio>

// Longest directory path a checkpoint accepts.
constexpr int CHECKPOINT_PATH_MAX = 4095;

// One open checkpoint file; the texts are owned copies.
struct checkpoint_file {
    char *directory;
    char *file_name;
    FILE *file;
};

// Makes the first free directory of name, name.0, name.1, ... (mode 0777 before the umask); *path
// receives an owned copy of the chosen path, also when the directory could not be made. 1 when it
// was made; 0 (and *path untouched) for a name longer than CHECKPOINT_PATH_MAX.
int checkpoint_create_dir(char **path, const char *name);
// *path := an owned copy of name when it is readable: 1; else 0.
int checkpoint_open_dir(char **path, const char *name);
// Opens "directory/file_name" with the stdio mode; reports "Cannot open checkpoint file: %s" and
// returns 0 when it cannot.
int checkpoint_open(checkpoint_file *record, const char *directory, const char *file_name, const char *mode);
// Closes the file and frees the record's texts; 1 when the close succeeded.
int checkpoint_close(checkpoint_file *record);
// Writes (reads) length bytes as one block to (from) "directory/file_name"; 1 when the whole block
// was transferred. A length of 0 or below transfers nothing and returns 0.
int checkpoint_memory_to_file(const char *directory, const char *file_name, const void *data, int32_t length);
int restore_memory_from_file(const char *directory, const char *file_name, void *buffer, int32_t length);
