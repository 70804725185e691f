// Memory that runs out on demand, for the tests of what the program does when
// an allocation fails.
//
// The test program that links failing_allocation.cpp has its own operator new
// and operator delete (every form but the aligned ones), backed by malloc and
// free. Normally they only allocate; after failAllocationsFrom(n), the n-th
// allocation through operator new from then on, and every one after it on any
// thread, throws std::bad_alloc, as when memory is exhausted, until
// stopFailing(). The mesh's record and list storage comes from malloc
// directly and never fails here.
#pragma once

#include <cstddef>

namespace zeq::test {

// Which threads' allocations fail: all, or all but the one that called
// failAllocationsFrom (so that a second thread meets the failure first).
enum class FailingThreads { All, Others };

void failAllocationsFrom(long n, FailingThreads threads = FailingThreads::All);
// Allocations succeed again. True when an allocation was made to fail since
// failAllocationsFrom.
bool stopFailing();

// Called on the thread of the first allocation made to fail, before it
// throws, with the size asked for; null for none. It must not use operator
// new.
void onFirstFailure(void (*hook)(std::size_t bytes));

// Leak checking of the sanitizer build, paused around runs whose failures
// may lose memory (a program that fails this way ends right after).
void pauseLeakChecks();
void resumeLeakChecks();

// Calls attempt(n) for n = 1, 2, 3, ... until it returns false: attempt(n)
// runs the code under test with the n-th allocation failing and returns
// whether an allocation was made to fail. Returns the number of runs that
// failed. Leak checking is paused meanwhile.
template <class Attempt>
long forEachFailingAllocation(Attempt attempt, long limit = 100000) {
    long n = 1;
    pauseLeakChecks();
    while (n <= limit && attempt(n)) ++n;
    resumeLeakChecks();
    return n - 1;
}

}  // namespace zeq::test
