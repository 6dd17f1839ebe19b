// Model textures made again from their kept file data: in place after a
// device reset, as new graphs after a screen-mode change (which deletes
// every graph while the models live on).
#ifndef VELVANE_MODEL_TEXTURE_RELOAD_H
#define VELVANE_MODEL_TEXTURE_RELOAD_H

// Refills the built-in textures and every model texture's graph; textures
// with neither colour nor alpha data are skipped; 0.
int VLMReloadTextures(void);
// After graphics restarted on the Direct3D path: each model texture with
// data gets a new graph (its instances follow it), then the draw buffers
// are made again; 0.
int RemakeModelGraphicsAfterModeChange(void);

#endif  // VELVANE_MODEL_TEXTURE_RELOAD_H
