#include "module_counts.h"

#include <atomic>

namespace pelorus::control::module_counts {
namespace {

std::atomic<long> objects{0};
std::atomic<long> factory_references{0};
std::atomic<long> locks{0};

// Takes one off count unless it is already 0.
void decrement_to_zero(std::atomic<long>& count) {
  long value = count.load();
  while (value > 0 && !count.compare_exchange_weak(value, value - 1)) {
  }
}

}  // namespace

void object_created() { ++objects; }
void object_destroyed() { decrement_to_zero(objects); }
void factory_referenced() { ++factory_references; }
void factory_released() { decrement_to_zero(factory_references); }
void lock() { ++locks; }
void unlock() { decrement_to_zero(locks); }
bool can_unload() { return objects == 0 && factory_references == 0 && locks == 0; }

}  // namespace pelorus::control::module_counts
