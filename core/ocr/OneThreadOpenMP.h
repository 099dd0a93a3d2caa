#pragma once

// Tesseract parallelises with OpenMP, and on a machine with two cores its
// threads make a page 5-7 times slower than one thread does. The OpenMP
// runtime reads its thread limit only when it loads, before main(), so a
// program that recognises text restarts itself once with the limit set.
namespace OneThreadOpenMP {

// Returns only when OMP_THREAD_LIMIT is already set (possibly by the caller's
// environment, which wins); otherwise sets it to 1 and re-executes argv.
void ensure(char** argv);

} // namespace OneThreadOpenMP
