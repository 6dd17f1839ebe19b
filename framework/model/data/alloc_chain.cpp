#include "model/data/alloc_chain.h"

#include <limits.h>
#include <string.h>

#include "core/debug/memory.h"

void *AllocChainAlloc(size_t size, AllocChain *chain) {
  void *block = NULL;
  if (size <= static_cast<size_t>(INT_MAX) - ALLOC_CHAIN_HEADER_SIZE) {
    block = AllocMemory(static_cast<int>(size + ALLOC_CHAIN_HEADER_SIZE), NULL, -1);
  }
  if (!block) {
    WriteLogLine("メモリアドレス保存データ＋実際のデータを保存するメモリ領域の確保に失敗しました\n");
    return NULL;
  }
  memset(block, 0, size + ALLOC_CHAIN_HEADER_SIZE);
  AllocChainBlock *header = static_cast<AllocChainBlock *>(block);
  header->data = static_cast<unsigned char *>(block) + ALLOC_CHAIN_HEADER_SIZE;
  header->next = *chain;
  header->runningTotal = size + (*chain ? (*chain)->runningTotal : 0);
  *chain = header;
  return header->data;
}

void AllocChainFree(AllocChain *chain) {
  AllocChainBlock *block = *chain;
  while (block) {
    AllocChainBlock *next = block->next;
    FreeMemory(block);
    block = next;
  }
  *chain = NULL;
}
