#include "model/model_system.h"

int VLMStartModelSystem(void) { return 0; }

int VLMEndModelSystem(void) { return 0; }
