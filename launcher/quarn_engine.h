/* The contract between the launcher and a game engine library (quarnc.so).
 *
 * An engine exports these five functions with C linkage. The launcher calls, per run:
 * qrnGetAppName once right after binding, qrnCreate once after SDL has started,
 * qrnRun once unless qrnCreate asked to exit, and qrnClose once; qrnSendIPC whenever a
 * message (for example "OpenFile|<path>") is forwarded, also between runs.
 *
 * The launcher also exports its process-wide variables by name (g_AppNameLong,
 * g_UserPath, ...); an engine may look them up with dlsym(RTLD_DEFAULT, "g_UserPath").
 */
#ifndef QUARN_ENGINE_H
#define QUARN_ENGINE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Capacity of each name buffer handed to qrnGetAppName, terminator included. */
#define QRN_NAME_CAPACITY 256

/* Fills the short name, the long name and the application id (each a buffer of
 * QRN_NAME_CAPACITY bytes) and the build number. The result is not used. */
typedef int (*qrnGetAppNameFn)(char* shortName, char* longName, char* appId, int* build);
/* Receives the process's argument count and vector. 0: go on and run;
 * non-zero: exit at once without running (qrnClose is still called). */
typedef int (*qrnCreateFn)(int argc, char** argv);
/* Runs the game; returns when the game ends. The result is not used. */
typedef int (*qrnRunFn)(void);
/* Non-zero asks the launcher to start another run. */
typedef int (*qrnCloseFn)(void);
/* A text message for the engine; the result is handed back to the sender, which ignores it. */
typedef int (*qrnSendIPCFn)(const char* message);

/* The launcher holds the entry points in variables of these same names, so it declares
 * the function prototypes only for engine builds. */
#ifndef QUARN_LAUNCHER_SIDE
int qrnGetAppName(char* shortName, char* longName, char* appId, int* build);
int qrnCreate(int argc, char** argv);
int qrnRun(void);
int qrnClose(void);
int qrnSendIPC(const char* message);
#endif

#ifdef __cplusplus
}
#endif

#endif /* QUARN_ENGINE_H */
