#pragma once
// Assigning a published field of one of the application's models: its observers hear of it only
// when the value really changed.
#include <utility>

namespace novra {

// Assigns `value` to `field` of `model`; when the value differs, emits `changed` and answers true.
template <class Model, class T, class Value>
bool assignPublished(Model* model, T& field, Value&& value, void (Model::*changed)()) {
    if (field == value) return false;
    field = std::forward<Value>(value);
    emit(model->*changed)();
    return true;
}

} // namespace novra
