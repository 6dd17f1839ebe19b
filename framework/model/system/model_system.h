// The model system: the table of shared ModelData records and the table of
// ModelInstance records, their handles, and the lifecycle inside framework
// start-up and shut-down. It starts only on the Direct3D path; until then
// every model function returns -1.
#ifndef VELVANE_MODEL_MODEL_SYSTEM_H
#define VELVANE_MODEL_MODEL_SYSTEM_H

struct ModelData;
struct ModelInstance;

enum {
  MODEL_INSTANCE_TABLE_MAX = 65536,
  // Data handles hold a 17-bit index.
  MODEL_DATA_TABLE_MAX = 131072,
  // Data handles carry kind 1 (the graph kind, in a table of their own).
  MODEL_DATA_HANDLE_KIND = 1
};

// Starts the system when the Direct3D path runs; 0 always.
int VLMStartModelSystem(void);
// Deletes every instance, releases every model data and empties both
// tables; 0 always.
int VLMEndModelSystem(void);

// What VLMStartModelSystem does once it decided to start: fills the sine
// table and empties both tables. Host tests start the system through it.
int StartModelTables(void);
// 1 between start and end.
int IsModelSystemStarted(void);

// A new instance handle with its slot reserved, or -1.
int TakeModelInstanceSlot(void);
// A new model data handle with its slot reserved, or -1.
int TakeModelDataSlot(void);
// Puts a built record into the slot its handle reserved; the handle the
// record now carries, or -1.
int FillModelInstanceSlot(int handle, ModelInstance *instance);
int FillModelDataSlot(int handle, ModelData *data);
// 1 when handle names a reserved instance slot.
int IsModelInstanceSlotReserved(int handle);

// The record of a valid handle, or null (also before start).
ModelInstance *LookupModelInstance(int handle);
ModelData *LookupModelData(int handle);

// Deletes an instance (a reserved slot is just freed) and releases its
// model data; 0, or -1 for an invalid handle.
int DeleteModelInstance(int handle);
// Drops one reference; frees the data when none is left (a reserved slot is
// just freed). 0, or -1 for an invalid handle.
int ReleaseModelData(int handle);

// Calls visit for every built model data (instance) record, in slot order.
void ForEachModelData(void (*visit)(ModelData *data));
void ForEachModelInstance(void (*visit)(ModelInstance *instance));

// Live counts and capacities, for tests.
int GetModelInstanceCount(void);
int GetModelDataCount(void);

#endif  // VELVANE_MODEL_MODEL_SYSTEM_H
