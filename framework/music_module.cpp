#include "framework/music.h"

#include "framework/data_file.h"

#include <libopenmpt/libopenmpt.h>

#include <string>
#include <vector>

openmpt_module* OrvOpenModule(const std::string& path, std::string* why,
                              void (*log)(const char* message, void* user), void* logUser)
{
    std::vector<char> bytes;
    if (!OrvReadDataFile(path, &bytes, why))
        return nullptr;
    int error = 0;
    const char* errorMessage = nullptr;
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), log, logUser,
                                                             openmpt_error_func_ignore, nullptr, &error,
                                                             &errorMessage, nullptr);
    openmpt_free_string(errorMessage);
    if (!mod) {
        *why = "not a module libopenmpt can play";
        return nullptr;
    }
    if (openmpt_module_get_num_samples(mod) <= 0) {
        openmpt_module_destroy(mod);
        *why = "the module cannot be played: it holds no sample data (is it cut short?)";
        return nullptr;
    }
    return mod;
}
