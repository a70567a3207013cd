#include "kernel/abstract.h"

// The hooks' defaults live apart from the walks that call them: seeing them, the compiler would
// test every call of a walk against them first, and most objects override them.
void abstract_c::on_shutdown() {}
int abstract_c::get_priority() const { return 0; }
int abstract_c::handle_message(const msg_c *, abstract_c *) { return 0; }
int abstract_c::pass_to_children(const msg_c *) { return 1; }
