// Load-time allocation chain: the many small records of a model load all
// end together, so they come from a singly linked list of blocks that is
// freed in one step.
#ifndef VELVANE_MODEL_ALLOC_CHAIN_H
#define VELVANE_MODEL_ALLOC_CHAIN_H

#include <stddef.h>

// The header in front of the caller's bytes of every block.
struct AllocChainBlock {
  void *data;             // the caller's bytes
  AllocChainBlock *next;  // the previous head
  size_t runningTotal;    // caller's bytes of this block and all older ones
};

// Header bytes: the record rounded up to 16 so the caller's bytes keep the
// 16-byte alignment that vertex and matrix areas need.
enum { ALLOC_CHAIN_HEADER_SIZE = (sizeof(AllocChainBlock) + 15) & ~static_cast<size_t>(15) };

// The head of a chain; null when empty.
typedef AllocChainBlock *AllocChain;

// size zeroed, 16-aligned bytes linked in as the new head, or null (logged).
void *AllocChainAlloc(size_t size, AllocChain *chain);
// Frees every block and empties the chain.
void AllocChainFree(AllocChain *chain);

#endif  // VELVANE_MODEL_ALLOC_CHAIN_H
