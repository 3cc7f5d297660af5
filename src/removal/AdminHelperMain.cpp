#include "removal/AdminHelper.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace tarnwick;
    return AdminHelper::main(std::vector<std::string>(argv + 1, argv + argc), AdminHelper::thisCaller(),
                             std::cout, std::cerr);
}
