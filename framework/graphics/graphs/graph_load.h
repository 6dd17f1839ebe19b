// Graphs with pictures: from image files (with an optional alpha file),
// from files in memory, from base images, cut into cells, and from movies.
#ifndef VELVANE_GRAPHICS_GRAPH_LOAD_H
#define VELVANE_GRAPHICS_GRAPH_LOAD_H

#include "velvane.h"

struct MovieRecord;

// The texture flag of these calls has no effect; reverse 1 mirrors the
// picture left to right. Where flip is 1 as well, the routine mirrors the
// caller's images for the transfer and mirrors them back afterwards.
int LoadGraphOrMovie(const char *path, int textureFlag, int reverse, int movieMode);
int LoadDividedGraphEx(const char *path, int count, int columns, int rows, int cellWidth,
                       int cellHeight, int *handles, int textureFlag, int reverse);
int CreateDivGraphFromGraphImage(BASEIMAGE *image, BASEIMAGE *alpha, int count, int columns,
                                 int rows, int cellWidth, int cellHeight, int *handles,
                                 int textureFlag, int reverse, int flip);
int LoadGraphFromMemory(const void *data, int size, const void *alphaData, int alphaSize,
                        int textureFlag, int reverse);
int ReloadGraphFromMemory(const void *data, int size, int handle, const void *alphaData,
                          int alphaSize, int textureFlag, int reverse);
int MakeGraphFromBaseImages(BASEIMAGE *image, BASEIMAGE *alpha, int textureFlag, int reverse,
                            int flip);
int RemakeGraphFromBaseImages(BASEIMAGE *image, BASEIMAGE *alpha, int handle, int textureFlag,
                              int reverse, int flip);
int MakeGraphFromBaseImage(BASEIMAGE *image);
int RemakeGraphFromBaseImage(BASEIMAGE *image, int handle);
// The movie's new frame into the graph (the movie's frame callback); 0 / -1.
int TransferMovieFrameToGraph(MovieRecord *movie, int handle);

#endif  // VELVANE_GRAPHICS_GRAPH_LOAD_H
