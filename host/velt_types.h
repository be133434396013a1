// Plain types of the Velt plug-in API: instance handles, result codes, var
// types, URL properties and completion-callback flags.
#ifndef HOST_VELT_TYPES_H_
#define HOST_VELT_TYPES_H_

#include <cstdint>

// The host's handle of one embedding. The host chooses it; the engine only
// passes it back.
typedef int32_t VELT_Instance;

// Results of asynchronous operations. Positive values carry a count (bytes
// read); 0 is success or the end of a body; negative values are errors.
enum VELT_Result : int32_t {
  VELT_OK = 0,
  VELT_OK_COMPLETIONPENDING = -1,
  VELT_ERROR_FAILED = -2,
  VELT_ERROR_ABORTED = -3,
  VELT_ERROR_BADARGUMENT = -4,
  VELT_ERROR_INPROGRESS = -11,
  VELT_ERROR_FILETOOBIG = -22,
};

enum VELT_VarType {
  VELT_VARTYPE_UNDEFINED = 0,
  VELT_VARTYPE_NULL = 1,
  VELT_VARTYPE_BOOL = 2,
  VELT_VARTYPE_INT32 = 3,
  VELT_VARTYPE_DOUBLE = 4,
  VELT_VARTYPE_STRING = 5,
  VELT_VARTYPE_ARRAY_BUFFER = 9,
};

enum VELT_URLRequestProperty {
  VELT_URLREQUESTPROPERTY_URL = 0,
  VELT_URLREQUESTPROPERTY_METHOD = 1,
  VELT_URLREQUESTPROPERTY_RECORDDOWNLOADPROGRESS = 5,
};

enum VELT_URLResponseProperty {
  VELT_URLRESPONSEPROPERTY_URL = 0,
  VELT_URLRESPONSEPROPERTY_STATUSCODE = 3,
};

enum VELT_CompletionCallback_Flag {
  VELT_COMPLETIONCALLBACK_FLAG_NONE = 0,
  // The operation may finish at once: it then returns its result and the
  // callback does not run.
  VELT_COMPLETIONCALLBACK_FLAG_OPTIONAL = 1 << 0,
};

#endif  // HOST_VELT_TYPES_H_
