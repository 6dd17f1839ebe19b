// The managers' lists of owned field objects.
#ifndef PELLACOR_GAME_FIELD_OWNED_LIST_H
#define PELLACOR_GAME_FIELD_OWNED_LIST_H

#include <cstddef>
#include <vector>

// One pass over the list: a dead object is deleted and removed, and the
// walk goes on with the one that moved into its place; any other gets step.
template <class Object, class Step>
void WalkOwned(std::vector<Object *> &list, Step step) {
  std::size_t i = 0;
  while (i < list.size()) {
    Object *object = list[i];
    if (object->IsDead()) {
      delete object;
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    step(object);
    ++i;
  }
}

// Deletes every object in list order and empties the list.
template <class Object>
void DeleteOwned(std::vector<Object *> &list) {
  for (Object *object : list) delete object;
  list.clear();
}

#endif
