// Message maps: static tables that route commands and messages to member functions.
//
//   BEGIN_MESSAGE_MAP(CMyDialog, CDialog)
//     ON_BN_CLICKED(IDC_NEXT, &CMyDialog::OnNext)
//     ON_MESSAGE(WM_APP_DONE, &CMyDialog::OnDone)
//   END_MESSAGE_MAP()
//
// Each entry holds a captureless lambda that casts the target back to the class that declared the map, so
// the tables stay type-checked and need no member-pointer casts.
#pragma once
#include <windows.h>

class CCmdTarget;

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND for command entries; 0 ends the table
  UINT nCode;     // notification code of a WM_COMMAND entry (BN_CLICKED, CBN_SELCHANGE, ...)
  UINT nID;       // control or command id of a WM_COMMAND entry
  LRESULT (*pfn)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // Looks the message up in this object's map chain; true when a handler ran.
  bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// clang-format off: the macros are laid out as the tables they make
#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = theClass;                                    \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                    \
  { 0, 0, 0, nullptr }                                                       \
  }                                                                          \
  ;                                                                          \
  static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                               \
  }

#define AFX_COMMAND_ENTRY(code, id, memberFxn)                                                                     \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT { \
     (static_cast<ThisClass*>(target)->*(memberFxn))();                                                            \
     return 0;                                                                                                     \
   }},

#define ON_COMMAND(id, memberFxn)       AFX_COMMAND_ENTRY(0, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn)    AFX_COMMAND_ENTRY(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) AFX_COMMAND_ENTRY(CBN_SELCHANGE, id, memberFxn)

#define ON_MESSAGE(message, memberFxn)                                                                 \
  {static_cast<UINT>(message), 0, 0, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
     return (static_cast<ThisClass*>(target)->*(memberFxn))(wParam, lParam);                           \
   }},
// clang-format on
