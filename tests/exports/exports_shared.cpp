// Links against libCorvane.so like an outside program: the default tables and the
// exported classes resolve, and their values are the documented ones.
#include <cstdio>
#include <cstring>

#include <corvane/CorvaneException.h>
#include <corvane/KELO3100Tables.h>
#include <corvane/KELO42XXTables.h>
#include <corvane/KELOE5100Tables.h>
#include <corvane/KELOE6100Tables.h>
#include <corvane/KELOX7100Tables.h>

namespace {
int failed = 0;
int passed = 0;
void check(bool ok, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::fprintf(stderr, "check failed: %s\n", what);
    }
}
}  // namespace

int main() {
    check(std::strcmp(n_KELOe_6100::keloe6100_default_infos.id, "id_not_filled") == 0,
          "keloe6100 default id");
    check(n_KELOe_6100::keloe6100_counter_info.valid_options == 0x31, "keloe6100 counter options");
    check(std::strcmp(n_KELO_3100::kelo3100_default_infos.id, "id_not_filled") == 0,
          "kelo3100 default id");
    check(std::strcmp(n_KELOe_5100::keloe5100_default_infos.id, "id_not_filled") == 0,
          "keloe5100 default id");
    check(std::strcmp(n_KELOx_7100::kelox7100_default_infos.id, "id_not_filled") == 0,
          "kelox7100 default id");
    check(std::strcmp(n_KELO_42xx::kelo42xx_default_infos.id, "id_not_filled") == 0,
          "kelo42xx default id");
    try {
        throw velmor::corvane::IoctlException("through the shared object", 0x86000F08u);
    } catch (const CorvaneException& e) {
        check(e.getCode() == 0x86000F08u, "exception type crosses the library boundary");
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
