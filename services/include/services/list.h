// list.h -- doubly linked lists of plain records with a current element
//
// The programs walk their lists with a cursor (reset, next, add after the current element) and
// address some of them by position. Positions are looked up in O(1) through an index (position ->
// node, and each node's own position) that stays valid while elements are only appended or the
// last one deleted; an insertion in the middle or another deletion rebuilds it on the next lookup.
// Nodes are carved from blocks that grow with the list, and deleted nodes are kept for the next
// insertion: a list of hundreds of thousands of elements makes a few dozen allocations, not one
// per element. A block's nodes are built one by one as they are handed out, so a new block costs
// no pass over memory that is written again a moment later. Nodes never move, so pointers to
// elements stay valid until they are deleted. The blocks of a long list and its index lie in large
// pages (large_blocks.h): a frame looks its elements up in the order of the world's rows, not of
// the list.
#pragma once
#include <algorithm>
#include <cstddef>
#include <utility>
#include <new>
#include <vector>

#include "services/large_blocks.h"

namespace svc {

template <class T>
struct List {
  struct Node {
    T value{};
    Node* prev = nullptr;
    Node* next = nullptr;
    int position = 0;  // Valid while the list's index is valid
  };
  Node* head = nullptr;
  Node* tail = nullptr;
  Node* current = nullptr;  // nullptr: before the first element
  int count = 0;
  std::vector<Node*, LargeBlockAllocator<Node*>> index;  // position -> node, valid while index_valid
  bool index_valid = true;
  // Storage for `size` nodes, of which the first `used` are built (handed out at least once).
  struct Block {
    Node* nodes = nullptr;
    size_t used = 0, size = 0;
    Block(Node* storage, size_t count) : nodes(storage), size(count) {}
    Block(Block&& other) noexcept : nodes(other.nodes), used(other.used), size(other.size) {
      other.nodes = nullptr;
      other.used = other.size = 0;
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    Block& operator=(Block&&) = delete;
    ~Block() {
      if (!nodes) return;
      for (size_t i = 0; i < used; i++) nodes[i].~Node();
      free_block(nodes, size * sizeof(Node));
    }
  };
  static_assert(alignof(Node) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "node storage is aligned as plain operator new's");
  std::vector<Block> blocks;  // Every node's storage; only the last one has nodes not yet built
  size_t nodes_made = 0;      // Nodes in all blocks
  Node* spare = nullptr;      // Deleted nodes, chained through next, reused first

  List() = default;
  List(const List&) = delete;
  List& operator=(const List&) = delete;
  ~List() { clear(); }

  void clear() {
    blocks.clear();
    nodes_made = 0;
    spare = nullptr;
    head = tail = current = nullptr;
    count = 0;
    index.clear();
    index_valid = true;
  }

  // A node holding a zero-filled element, unlinked; nullptr when memory runs out.
  Node* make_node() {
    if (spare) {
      Node* n = spare;
      spare = n->next;
      n->next = nullptr;
      return n;
    }
    if (blocks.empty() || blocks.back().used == blocks.back().size) {
      // Blocks double with the list, from about 256 bytes to about 2 MiB each: one large page.
      const size_t smallest = std::max<size_t>(1, 256 / sizeof(Node));
      const size_t largest = std::max<size_t>(1, (size_t{2} << 20) / sizeof(Node));
      const size_t size = std::min(std::max(nodes_made, smallest), largest);
      Block block(static_cast<Node*>(allocate_block(size * sizeof(Node))), size);
      if (!block.nodes) return nullptr;
      blocks.push_back(std::move(block));
      nodes_made += size;
    }
    Block& block = blocks.back();
    Node* n = ::new (static_cast<void*>(block.nodes + block.used)) Node;  // its element value-initialised
    block.used++;
    return n;
  }

  // Keeps a deleted node for reuse; its element is zero-filled now, releasing what it held.
  void keep_node(Node* n) {
    *n = Node();
    n->next = spare;
    spare = n;
  }
};

template <class T>
void reset_list(List<T>& list) {  // The cursor goes before the first element
  list.current = nullptr;
}

template <class T>
T* next_element(List<T>& list) {  // Advances; the element, or nullptr at the end
  typename List<T>::Node* n = list.current ? list.current->next : list.head;
  if (!n) return nullptr;
  list.current = n;
  return &n->value;
}

template <class T>
T* current_element(List<T>& list) {  // The current element, or nullptr before the first
  return list.current ? &list.current->value : nullptr;
}

template <class T>
T* first_element(List<T>& list) {  // Makes the first element current
  list.current = list.head;
  return list.head ? &list.head->value : nullptr;
}

template <class T>
T* add_element(List<T>& list) {  // Inserts a zero-filled element after the current one; it becomes current
  typename List<T>::Node* n = list.make_node();
  if (!n) return nullptr;
  typename List<T>::Node* after = list.current;
  if (after) {
    n->prev = after;
    n->next = after->next;
    if (after->next)
      after->next->prev = n;
    else
      list.tail = n;
    after->next = n;
  } else {
    n->next = list.head;
    if (list.head)
      list.head->prev = n;
    else
      list.tail = n;
    list.head = n;
  }
  if (list.index_valid) {
    if (n == list.tail) {
      n->position = static_cast<int>(list.index.size());
      list.index.push_back(n);
    } else {
      list.index_valid = false;
    }
  }
  list.current = n;
  list.count++;
  return &n->value;
}

template <class T>
T* append_element(List<T>& list) {  // Adds a zero-filled element at the end; it becomes current
  list.current = list.tail;
  return add_element(list);
}

template <class T>
void delete_element(List<T>& list) {  // Removes the current element; its predecessor becomes current
  typename List<T>::Node* n = list.current;
  if (!n) return;
  if (n->prev)
    n->prev->next = n->next;
  else
    list.head = n->next;
  if (n->next)
    n->next->prev = n->prev;
  else
    list.tail = n->prev;
  list.current = n->prev;
  if (list.index_valid) {
    if (!list.index.empty() && list.index.back() == n)
      list.index.pop_back();
    else
      list.index_valid = false;
  }
  list.keep_node(n);
  list.count--;
}

template <class T>
void clear_list(List<T>& list) {  // Removes every element
  list.clear();
}

template <class T>
int list_size(const List<T>& list) {  // Number of elements
  return list.count;
}

template <class T>
void rebuild_list_index(List<T>& list) {  // Renumbers the elements after a middle insertion or deletion
  list.index.clear();
  list.index.reserve(list.count);
  for (auto* n = list.head; n; n = n->next) {
    n->position = static_cast<int>(list.index.size());
    list.index.push_back(n);
  }
  list.index_valid = true;
}

template <class T>
int list_index(List<T>& list) {  // 0-based position of the current element; -1 when none
  if (!list.current) return -1;
  if (list.current == list.tail) return list.count - 1;
  if (!list.index_valid) rebuild_list_index(list);
  return list.current->position;
}

// Where the element at the 0-based position lies, and where its index entry lies, without making
// it current; nullptr when the index is out of date or the position is outside the list. For
// loops that ask the memory for elements ahead of the one they use.
template <class T>
const T* peek_element(const List<T>& list, int position) {
  if (position < 0 || position >= list.count || !list.index_valid) return nullptr;
  return &list.index[position]->value;
}
template <class T>
const void* peek_index_entry(const List<T>& list, int position) {
  if (position < 0 || position >= list.count || !list.index_valid) return nullptr;
  return &list.index[position];
}

template <class T>
T* select_element(List<T>& list, int position) {  // Makes the element at the 0-based position current
  if (position < 0 || position >= list.count) return nullptr;
  if (!list.index_valid) rebuild_list_index(list);
  list.current = list.index[position];
  return &list.current->value;
}

}  // namespace svc
