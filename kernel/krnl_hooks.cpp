#include "kernel/abstract.h"

// The defaults of the hooks that nearly every class overrides live apart from the walks that
// call them: seeing them, the compiler would test every call of a walk against them first.
// pass_to_children stays beside the walks, as most objects keep its default.
void abstract_c::on_shutdown() {}
int abstract_c::get_priority() const { return 0; }
int abstract_c::handle_message(const msg_c *, abstract_c *) { return 0; }
