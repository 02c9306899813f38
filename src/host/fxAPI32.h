// The host's interface library: the 40 functions the host offers its plug-ins, and its records.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define FXAPI __stdcall
#else
#define FXAPI
#endif

#if defined(FXAPI32_BUILD)
#if defined(_WIN32)
#define FXAPI_DECL __declspec(dllexport)
#else
#define FXAPI_DECL __attribute__((visibility("default")))
#endif
#else
// No dllimport: the plug-in reaches the DLL through its import library's thunks, and the tests
// link the stand-in's functions statically.
#define FXAPI_DECL
#endif

// A 16-bit host boolean: 0 = false.
typedef int16_t FXBOOL;

#pragma pack(push, 1)
// Object id and identifier of a geographic object. The host writes the identifier into the
// buffer the caller points Kennung at.
struct ObjectDataRecord {
    int32_t Reserved1;
    char* Kennung;
    int32_t Reserved2;
    int32_t ID;
};

// Class number in, class name (first buffer) and description (second buffer) out.
struct ClassDataRecord {
    int32_t ClassID;
    char* Name;
    char* Description;
    uint8_t Flag;
};

// A map position: easting first, then northing.
struct CursorPoint {
    double RWert;
    double HWert;
};
#pragma pack(pop)

extern "C" {

FXAPI_DECL int32_t FXAPI fxGetProjectDir(char* Buffer, int32_t Size);
FXAPI_DECL int32_t FXAPI fxGetVerfahrenDir(char* Buffer, int32_t Size);
FXAPI_DECL int32_t FXAPI fxGetProjectDB(char* Buffer, int32_t Size);

FXAPI_DECL int32_t FXAPI fxGetObjectData(ObjectDataRecord* Data);
FXAPI_DECL FXBOOL FXAPI fxGetObjectClassData(ClassDataRecord* Data);
FXAPI_DECL int32_t FXAPI fxGetObjectClass();
FXAPI_DECL int32_t FXAPI fxGetClassOf(int32_t ID);
FXAPI_DECL int32_t FXAPI fxSetObjectClass(int32_t ClassID);

FXAPI_DECL int32_t FXAPI fxGetIDFromKennung(const char* Kennung);
FXAPI_DECL FXBOOL FXAPI fxKennungExists(const char* Kennung);
FXAPI_DECL int32_t FXAPI fxSetKennung(int32_t ID, const char* Kennung);

FXAPI_DECL int32_t FXAPI fxGetActiveGeoObject();
FXAPI_DECL int32_t FXAPI fxSetActiveObject(int32_t ID);
FXAPI_DECL int32_t FXAPI fxGetNrOfSelectedGeoObjects();
FXAPI_DECL int32_t FXAPI fxDeselectAll();
FXAPI_DECL int32_t FXAPI fxAddToSelection(int32_t ID);
FXAPI_DECL int32_t FXAPI fxIterateObjects(int32_t Mode, const char* LibraryName, const char* FunctionName);

FXAPI_DECL int32_t FXAPI fxRedraw();
FXAPI_DECL int32_t FXAPI fxActivateMap();
FXAPI_DECL int32_t FXAPI fxActivateData();
FXAPI_DECL int32_t FXAPI fxBeginUpdate();
FXAPI_DECL int32_t FXAPI fxEndUpdate();

FXAPI_DECL int32_t FXAPI fxDeleteObject(int32_t ID);
FXAPI_DECL int32_t FXAPI fxEnsureData(int32_t ID);
FXAPI_DECL int32_t FXAPI fxCreateObjectStart(int32_t ClassID, int32_t GeoTyp, const char* Kennung);

FXAPI_DECL FXBOOL FXAPI fxGetValueByName(const char* Table, const char* Field, char* Buffer, int32_t Size);
FXAPI_DECL int32_t FXAPI fxSetValueByName(const char* Table, const char* Field, const char* Value);
FXAPI_DECL int32_t FXAPI fxTableFirst(const char* Table);
FXAPI_DECL int32_t FXAPI fxTableNext(const char* Table);
FXAPI_DECL FXBOOL FXAPI fxTableEOF(const char* Table);
FXAPI_DECL int32_t FXAPI fxDisableControls(const char* Table);
FXAPI_DECL int32_t FXAPI fxEnableControls(const char* Table);
FXAPI_DECL int32_t FXAPI fxAppendRecord(const char* Table);

FXAPI_DECL int32_t FXAPI fxGetCursorCoordinates(CursorPoint* Point);
FXAPI_DECL double FXAPI fxGetObjectRWert(int32_t ID);
FXAPI_DECL double FXAPI fxGetObjectHWert(int32_t ID);

FXAPI_DECL int32_t FXAPI fxImportGeodaten(const char* Path, int32_t Format, int32_t Flag);
FXAPI_DECL int32_t FXAPI fxImportDataXML(const char* FileName, int32_t Flag);
FXAPI_DECL int32_t FXAPI fxExportDataXML(const char* FileName, int32_t Mode, int32_t Flag);
FXAPI_DECL int32_t FXAPI fxExportGeodaten(const char* FileName, int32_t Format, int32_t Mode, int32_t Flag);

}  // extern "C"
