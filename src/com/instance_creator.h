// The instance creator of a class in the class map: the plain form without an outer object,
// the aggregated form with one (the class object has already refused an outer object for
// any interface but IUnknown).
#pragma once

#include "com/aggregated_object.h"
#include "com/object.h"

namespace tavlin {

using InstanceCreator = HRESULT (*)(IUnknown *outer, REFIID iid, void **object);

// Hands the new object's first reference to the caller, or destroys it (giving back its
// module lock unit) when it does not answer the interface.
template <class Object> HRESULT query_new_object(Object *object, REFIID iid, void **out)
{
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    if (FAILED(hr)) delete object;
    return hr;
}

template <class T> HRESULT create_instance(IUnknown *outer, REFIID iid, void **out)
{
    if (outer) return query_new_object(AggregatedObject<T>::create(outer), iid, out);
    return query_new_object(ComObject<T>::create(), iid, out);
}

}  // namespace tavlin
