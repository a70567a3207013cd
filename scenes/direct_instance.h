// Model instances that an entity makes directly with the model manager (not by name through a
// handle) are held through a weak pointer: the instance may already be gone with the tree's
// shutdown when its entity lets it go. Such instances own device buffers by plain pointers.
#pragma once

#include "kernel/object_pointer.h"
#include "services/manager_basic.h"

// Gives back the one reference of a live instance; the pointer is cleared either way.
inline void release_direct_instance(object_pointer_c &instance)
{
    abstract_c *held = instance.get();
    instance = nullptr;
    if (held)
        release_res(held);
}

// Releases a device object held by a plain pointer (if any) and clears the pointer.
template <class T> void release_device_object(T *&object)
{
    if (object)
        object->Release();
    object = nullptr;
}
