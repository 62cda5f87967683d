// Runs the test helper print_environ in a child process whose environment is empty.
#ifndef TARN_TESTS_CHILD_PROCESS_H
#define TARN_TESTS_CHILD_PROCESS_H

#include <string>

struct child_result {
    bool supported = true;
    int exit_code = -1;
    std::string output; // what the child printed, or why it could not run
};

child_result run_with_empty_environment();

#endif
