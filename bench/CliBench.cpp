// The history's cost as a user meets it: whole jov-cli processes of Direct
// Inject of a 1,000,000-byte tag, with the history and with --no-history. Wall
// time per process; child_cpu_ms is the CPU of the process and its threads.
#ifndef _WIN32
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "BigTagMaps.h"
#include "support/TempDir.h"

extern char** environ;

namespace jov {
namespace {

double ChildCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void RunCli(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (failed || ::waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("jov-cli failed");
}

void BM_CliDirectInject_1MB(benchmark::State& state) {
  static bench::BigTagMaps maps;  // both arguments inject into the same map, in turn
  static bool flip = false;
  testing::TempDir stateDir;
  ::setenv("JOV_STATE_DIR", stateDir.Path().c_str(), 1);
  const bool recorded = state.range(0) != 0;
  const std::string tag = std::to_string(bench::kBigTag);
  double cpu = 0;
  for (auto _ : state) {
    std::vector<std::string> arguments = {JOV_CLI_PATH};
    if (!recorded) arguments.push_back("--no-history");
    for (const std::string& argument :
         {std::string("direct-inject"), maps.destination1, tag, flip ? maps.source2 : maps.source1, tag,
          std::string("--yes")})
      arguments.push_back(argument);
    flip = !flip;
    const double before = ChildCpuMs();
    RunCli(arguments);
    cpu += ChildCpuMs() - before;
  }
  state.counters["child_cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
  state.SetLabel(recorded ? "recorded" : "not recorded");
}
BENCHMARK(BM_CliDirectInject_1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace jov
#endif
