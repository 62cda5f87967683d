// What the host says about itself through roads other than libtarn's, to check libtarn against.
#ifndef TARN_TESTS_HOST_FACTS_H
#define TARN_TESTS_HOST_FACTS_H

#include <string>

struct host_facts {
    bool available = true;
    std::string why_not;
    std::string os, version, release, node_name, arch;
};

host_facts read_host_facts();

#endif
