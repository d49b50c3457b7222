/* Times whole processes: runs the tool and the minimal C program (writing in place, and
 * writing through a temporary file and a rename) in turn, each on a fresh copy of the same
 * input files, and prints the median wall time of each (fork to exit, in microseconds).
 * Restoring the inputs is not timed.
 *
 *   spawn_timer RUNS INPUT_EXCHANGE INPUT_SETTINGS TOOL_DIR MODE MINIMAL_DIR OUT_EXCHANGE
 * OUT_SETTINGS
 */
#define _DEFAULT_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static char* slurp(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return NULL;
  char* bytes = malloc(1 << 20);
  size_t length = fread(bytes, 1, (1 << 20) - 1, file);
  fclose(file);
  bytes[length] = '\0';
  return bytes;
}

static void spill(const char* dir, const char* name, const char* bytes) {
  char path[4096];
  snprintf(path, sizeof path, "%s/%s", dir, name);
  FILE* file = fopen(path, "wb");
  if (!file) exit(3);
  fwrite(bytes, 1, strlen(bytes), file);
  fclose(file);
}

static double now_us(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

/* Wall time of one run; its CPU time (user + system) goes to *cpu. */
static double run(char* const argv[], int* status, double* cpu) {
  double start = now_us();
  pid_t child = fork();
  if (child == 0) {
    execv(argv[0], argv);
    _exit(127);
  }
  struct rusage usage;
  wait4(child, status, 0, &usage);
  double wall = now_us() - start;
  *cpu = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
         (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
  return wall;
}

static int compare(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

/* Sorts the times of the runs and prints their medians and spreads. */
static void report(const char* mode, int runs, double* tool_times, double* inplace_times,
                   double* replace_times, double* cpu[3]) {
  qsort(tool_times, (size_t)runs, sizeof(double), compare);
  qsort(inplace_times, (size_t)runs, sizeof(double), compare);
  qsort(replace_times, (size_t)runs, sizeof(double), compare);
  for (int k = 0; k < 3; ++k) qsort(cpu[k], (size_t)runs, sizeof(double), compare);
  double tool_median = tool_times[runs / 2];
  printf("runs               %d each, interleaved\n", runs);
  printf("auxline %-10s median %8.1f us  (p10 %8.1f, p90 %8.1f)\n", mode, tool_median,
         tool_times[runs / 10], tool_times[runs * 9 / 10]);
  printf(
      "minimal_io inplace median %8.1f us  (p10 %8.1f, p90 %8.1f)  ratio %.2f (target <= 1.50)\n",
      inplace_times[runs / 2], inplace_times[runs / 10], inplace_times[runs * 9 / 10],
      tool_median / inplace_times[runs / 2]);
  printf("minimal_io replace median %8.1f us  (p10 %8.1f, p90 %8.1f)  ratio %.2f\n",
         replace_times[runs / 2], replace_times[runs / 10], replace_times[runs * 9 / 10],
         tool_median / replace_times[runs / 2]);
  printf("CPU time (user+system), medians: auxline %.0f us, inplace %.0f us, replace %.0f us\n",
         cpu[0][runs / 2], cpu[1][runs / 2], cpu[2][runs / 2]);
}

int main(int argc, char** argv) {
  if (argc != 9) {
    fprintf(stderr,
            "usage: spawn_timer RUNS IN_EXCHANGE IN_SETTINGS TOOL_DIR MODE MINIMAL_DIR "
            "OUT_EXCHANGE OUT_SETTINGS\n");
    return 2;
  }
  int runs = atoi(argv[1]);
  char* in_exchange = slurp(argv[2]);
  char* in_settings = slurp(argv[3]);
  const char* tool_dir = argv[4];
  const char* minimal_dir = argv[6];
  char* out_exchange = slurp(argv[7]);
  char* out_settings = slurp(argv[8]);
  if (!in_exchange || !in_settings || !out_exchange || !out_settings || runs < 1) return 2;

  char tool[4096], minimal[4096];
  snprintf(tool, sizeof tool, "%s/auxline", tool_dir);
  snprintf(minimal, sizeof minimal, "%s/minimal_io", minimal_dir);
  char* tool_argv[] = {tool, argv[5], NULL};
  char* inplace_argv[] = {minimal, "inplace", out_exchange, out_settings, NULL};
  char* replace_argv[] = {minimal, "replace", out_exchange, out_settings, NULL};

  double* tool_times = malloc(sizeof(double) * (size_t)runs);
  double* inplace_times = malloc(sizeof(double) * (size_t)runs);
  double* replace_times = malloc(sizeof(double) * (size_t)runs);
  double* cpu[3];
  for (int k = 0; k < 3; ++k) cpu[k] = malloc(sizeof(double) * (size_t)runs);
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    int status = 0;
    spill(tool_dir, "JWC_TEMP.TXT", in_exchange);
    spill(tool_dir, "auxline.dat", in_settings);
    tool_times[i] = run(tool_argv, &status, &cpu[0][i]);
    failures += status != 0;
    spill(minimal_dir, "JWC_TEMP.TXT", in_exchange);
    spill(minimal_dir, "auxline.dat", in_settings);
    replace_times[i] = run(replace_argv, &status, &cpu[2][i]);
    failures += status != 0;
    spill(minimal_dir, "JWC_TEMP.TXT", in_exchange);
    spill(minimal_dir, "auxline.dat", in_settings);
    inplace_times[i] = run(inplace_argv, &status, &cpu[1][i]);
    failures += status != 0;
  }
  /* The last run of each must have left the same bytes. */
  char path[4096];
  snprintf(path, sizeof path, "%s/JWC_TEMP.TXT", tool_dir);
  char* tool_out = slurp(path);
  snprintf(path, sizeof path, "%s/JWC_TEMP.TXT", minimal_dir);
  char* minimal_out = slurp(path);
  if (!tool_out || !minimal_out || strcmp(tool_out, minimal_out) != 0) {
    fprintf(stderr, "outputs differ\n");
    return 1;
  }

  report(argv[5], runs, tool_times, inplace_times, replace_times, cpu);
  return failures ? 1 : 0;
}
