// CGXRMsectMng.h: translation of section identifiers between the file and the
// Cal, Steel and AZ vocabularies, always for one component type.
#pragma once

#include "CGXRMobjTypeBase.h"
#include "../core/GXRMapi.h"

/// Static lookups over the constant section tables; the class holds no data.
/// Every lookup takes the first row whose string and type match exactly.
class GXRM_API CGXRMsectMng {
 public:
  CGXRMsectMng() = default;
  ~CGXRMsectMng() = default;
  CGXRMsectMng& operator=(const CGXRMsectMng&) = default;  ///< nothing to copy

  /// Identifier of a Cal key; unknown keys reading as 1000 or more give
  /// "自定义截面" (custom section) followed by the key, others the empty string.
  static CString GetGXRMSectId_Cal(CString key, GXRM_objType_base::Type type);
  /// Identifier of a Steel key; empty if none.
  static CString GetGXRMSectId_Steel(CString key, GXRM_objType_base::Type type);
  /// Identifier of an AZ key; empty if none.
  static CString GetGXRMSectId_AZ(CString key, GXRM_objType_base::Type type);

  /// Cal key of an identifier; the identifier itself if none.
  static CString GetCalSectId(CString id, GXRM_objType_base::Type type);
  /// Cal key of an identifier, empty if none; a custom-section category skips
  /// the table: empty for ISOLATED_FOOTING, the identifier for other types.
  static CString GetCalSectId(CString id, GXRM_objType_base::Type type, CString category);
  /// Steel key of an identifier; empty if none.
  static CString GetSteelSectId(CString id, GXRM_objType_base::Type type);
  /// AZ key of an identifier; empty if none.
  static CString GetAZSectId(CString id, GXRM_objType_base::Type type);

  static int GetSectIdCount_Cal();    ///< 165
  static int GetSectIdCount_Steel();  ///< 53
  static int GetSectIdCount_AZ();     ///< 47
};
