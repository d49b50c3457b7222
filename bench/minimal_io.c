/* The floor for a headless run: a C program that does only the file work of one run and
 * nothing else. It finds its own directory, reads the exchange file and the settings file
 * beside itself, and writes the exchange file and the settings file back with the bytes
 * given as arguments 2 and 3. Argument 1 chooses how: "inplace" truncates and writes each
 * file, "replace" writes a temporary file beside it and renames it over the target (the
 * crash-safe way the tool uses). The timing driver compares the tool against it. */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static void read_all(const char* path) {
  char buffer[65536];
  FILE* file = fopen(path, "rb");
  if (!file) return;
  while (fread(buffer, 1, sizeof buffer, file) == sizeof buffer) {
  }
  fclose(file);
}

static int write_all(const char* path, const char* bytes) {
  FILE* file = fopen(path, "wb");
  if (!file) return 0;
  size_t length = strlen(bytes);
  int ok = fwrite(bytes, 1, length, file) == length;
  return fclose(file) == 0 && ok;
}

static int replace_all(const char* path, const char* bytes) {
  char temporary[4200];
  snprintf(temporary, sizeof temporary, "%s.%ld.tmp", path, (long)getpid());
  if (!write_all(temporary, bytes) || rename(temporary, path) != 0) {
    unlink(temporary);
    return 0;
  }
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  int (*store)(const char*, const char*) =
      strcmp(argv[1], "replace") == 0 ? replace_all : write_all;
  char dir[4096];
  ssize_t length = readlink("/proc/self/exe", dir, sizeof dir - 64);
  if (length <= 0) return 1;
  while (length > 0 && dir[length - 1] != '/') --length;
  dir[length] = '\0';

  char exchange[4160], settings[4160];
  snprintf(exchange, sizeof exchange, "%sJWC_TEMP.TXT", dir);
  snprintf(settings, sizeof settings, "%sauxline.dat", dir);
  read_all(exchange);
  read_all(settings);
  int ok = store(settings, argv[3]);
  ok = store(exchange, argv[2]) && ok;
  return ok ? 0 : 1;
}
