#include "dialog_template_table.h"

#include <commctrl.h>

#include "resource.h"

namespace resources_test {
namespace {

constexpr DWORD kBase = WS_CHILD | WS_VISIBLE;
constexpr DWORD kBaseMask = WS_CHILD | WS_VISIBLE | WS_POPUP;
// Statics: the type bits (SS_TYPEMASK) tell left text, centred text, bitmap and black rectangle apart.
constexpr DWORD kStaticMask = kBaseMask | SS_TYPEMASK;
constexpr DWORD kButtonMask = kBaseMask | BS_TYPEMASK | WS_TABSTOP;
constexpr DWORD kEditBits = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN;
constexpr DWORD kEditMask = kBaseMask | kEditBits | WS_BORDER | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL;

ExpectedControl GroupBox(const wchar_t* text, int x, int y, int w, int h) {
  return {IDC_STATIC, L"Button", text, kButtonMask, kBase | BS_GROUPBOX, x, y, w, h};
}

ExpectedControl LeftText(int id, const wchar_t* text, int x, int y, int w, int h) {
  return {id, L"Static", text, kStaticMask, kBase | SS_LEFT, x, y, w, h};
}

ExpectedControl PushButton(int id, const wchar_t* text, int x, int y, int w, int h) {
  return {id, L"Button", text, kButtonMask, kBase | BS_PUSHBUTTON | WS_TABSTOP, x, y, w, h};
}

ExpectedControl Edit(int id, DWORD editBits, int x, int y, int w, int h) {
  return {id, L"Edit", L"", kEditMask, kBase | WS_BORDER | WS_TABSTOP | editBits, x, y, w, h};
}

ExpectedControl BitmapStatic(int id, int bitmapId, int x, int y, int w, int h) {
  return {id, L"Static", L"", kStaticMask, kBase | SS_BITMAP, x, y, w, h, RectCheck::LeftTop, bitmapId};
}

}  // namespace

// clang-format off: the templates are laid out as the resource script lays them out
const ExpectedTemplate& FrameTemplate() {
  static const ExpectedTemplate frame{
      IDD_WIZARD_INSTALLER,
      "frame 133",
      L"Installatore Talvenia",
      427,
      270,
      {
          BitmapStatic(IDC_HEADER, IDB_BANNER_TALVENIA, 0, 0, 427, 37),
          {IDC_STEPS_TITLE, L"Static", L"Fasi d'installazione", kStaticMask, kBase | SS_CENTER, 5, 43, 103, 14},
          // The frame owns the image list: the list view must not destroy it as well.
          {IDC_STEPS, L"SysListView32", L"", kBaseMask | LVS_TYPEMASK | LVS_SHAREIMAGELISTS | WS_BORDER | WS_TABSTOP,
           kBase | LVS_SMALLICON | LVS_SHAREIMAGELISTS | WS_BORDER | WS_TABSTOP, 5, 60, 103, 204},
          {IDC_PAGE_AREA, L"Static", L"", kStaticMask, WS_CHILD | SS_BLACKRECT, 114, 43, 306, 202},
          // None of the three is a default push button: Enter must not press Next on its own.
          PushButton(IDC_BACK, L"< Indietro", 255, 250, 50, 14),
          PushButton(IDC_NEXT, L"Avanti >", 313, 250, 50, 14),
          PushButton(IDC_CANCEL_BUTTON, L"Annulla", 371, 250, 50, 14),
      }};
  return frame;
}

const std::vector<ExpectedTemplate>& PageTemplates() {
  // Accented letters are written as escapes so that the expectation does not depend on how this file is read.
  static const std::vector<ExpectedTemplate> pages{
      {IDD_PAGE_WELCOME,
       "welcome page 134",
       L"",
       306,
       202,
       {
           GroupBox(L"Benvenuto nella procedura guidata di installazione", 7, 7, 292, 188),
           LeftText(IDC_STATIC,
                    L"Questa procedura copier\u00e0 inizialmente i file da installare sul computer. "
                    L"Successivamente li trasferir\u00e0 sul palmare utilizzando ActiveSync.",
                    16, 27, 268, 25),
           LeftText(IDC_STATIC,
                    L"Il programma ActiveSync della Microsoft \u00e8 necessario per poter portare a termine questa "
                    L"procedura di installazione.\nSi consiglia pertanto di collegare il parmare al computer e "
                    L"controllarne la connessione con ActiveSync.",
                    16, 54, 268, 39),
           LeftText(IDC_STATIC,
                    L"Se il computer utilizza Windows Vista come sistema operativo, al posto di ActiveSync si deve "
                    L"utilizzare il programma Microsoft Windows Mobile Device Center 6.",
                    16, 99, 268, 30),
           LeftText(IDC_STATIC, L"ATTENZIONE: Questo programma \u00e8 tutelato dalle leggi sul copyright.", 16, 155,
                    263, 8),
           LeftText(IDC_STATIC, L"Premere il pulsante Avanti per continuare oppure il pulsante Annulla per uscire.", 16,
                    176, 276, 8),
       }},
      {IDD_PAGE_LICENSE,
       "licence page 135",
       L"",
       306,
       202,
       {
           GroupBox(L"Contratto di licenza", 7, 7, 292, 188),
           LeftText(IDC_STATIC, L"Leggere attentamente il seguente contratto di licenza.", 16, 21, 276, 11),
           {IDC_LICENSE_TEXT, L"RichEdit", L"", kEditMask,
            kBase | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 16, 38, 275,
            129},
           {IDC_ACCEPT, L"Button", L"Accetto i termini del contratto di licenza.", kButtonMask,
            kBase | BS_AUTOCHECKBOX | WS_TABSTOP, 16, 177, 270, 10},
       }},
      {IDD_PAGE_CONNECTION,
       "connection page 136",
       L"",
       306,
       202,
       {
           GroupBox(L"Connessione di ActiveSync con il palmare", 7, 7, 292, 188),
           LeftText(IDC_STATIC, L"Stato della connessione tra computer e palmare.", 16, 26, 276, 8),
           BitmapStatic(IDC_CONNECTION_PICTURE, IDB_CONNECTED, 62, 49, 128, 27),
           PushButton(IDC_REFRESH_CONNECTION, L"Aggiorna", 192, 49, 50, 27),
           LeftText(IDC_CONNECTION_RESULT, L"- Risultato", 16, 96, 276, 89),
       }},
      {IDD_PAGE_DESTINATION,
       "destination page 137",
       L"",
       306,
       202,
       {
           GroupBox(L"Cartella di destinazione", 7, 7, 292, 188),
           LeftText(IDC_STATIC, L"Selezionare la cartella del palmare su cui installare il programma.", 16, 26, 268, 8),
           LeftText(IDC_STATIC, L"Cartella di destinazione :", 16, 47, 92, 8),
           {IDC_DESTINATION, L"ComboBox", L"", kBaseMask | 0x3 /* CBS type */ | CBS_SORT | WS_VSCROLL | WS_TABSTOP,
            kBase | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 112, 45, 179, 142, RectCheck::LeftTopWidth},
           GroupBox(L"Dati destinazione", 16, 65, 275, 109),
           LeftText(IDC_STATIC, L"Memoria disponibile :", 23, 86, 81, 8),
           Edit(IDC_FREE_MEMORY, ES_READONLY | ES_AUTOHSCROLL, 112, 83, 90, 14),
           LeftText(IDC_STATIC, L"Memoria necessaria :", 24, 108, 81, 8),
           Edit(IDC_REQUIRED_MEMORY, ES_READONLY | ES_AUTOHSCROLL, 112, 105, 90, 14),
           LeftText(IDC_STATIC, L"Note :", 24, 130, 81, 8),
           Edit(IDC_NOTES, ES_MULTILINE | ES_READONLY | ES_WANTRETURN | ES_AUTOHSCROLL, 112, 127, 174, 41),
           PushButton(IDC_REFRESH_DESTINATION, L"Aggiorna", 241, 177, 50, 14),
       }},
      {IDD_PAGE_READY,
       "ready page 146",
       L"",
       306,
       202,
       {
           GroupBox(L"Pronto per installare", 7, 7, 292, 188),
           LeftText(IDC_STATIC, L"La procedura \u00e8 pronta per installare il programma sul palmare.", 16, 26, 270, 8),
           LeftText(IDC_STATIC,
                    L"Premendo Installa, i vari file saranno copiati sul palmare e il programma sar\u00e0 pronto per "
                    L"l'uso.",
                    16, 47, 270, 25),
           LeftText(IDC_STATIC, L"Cartella di destinazione scelta :", 16, 79, 100, 8),
           LeftText(IDC_DESTINATION_FOLDER, L"\\Programmi\\Talvenia\\", 120, 79, 162, 8),
       }},
      {IDD_PAGE_INSTALLATION,
       "installation page 138",
       L"",
       306,
       202,
       {
           GroupBox(L"Installazione", 7, 7, 292, 188),
           LeftText(IDC_STATIC, L"Stato dell'installazione", 16, 26, 72, 8),
           Edit(IDC_LOG, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_WANTRETURN, 16, 41, 276, 106),
           LeftText(IDC_STATIC, L"Progresso :", 16, 156, 36, 8),
           {IDC_PROGRESS, L"msctls_progress32", L"", kBaseMask | WS_BORDER, kBase | WS_BORDER, 16, 169, 276, 14},
       }},
      {IDD_PAGE_END,
       "end page 147",
       L"",
       306,
       202,
       {
           GroupBox(L"Fine installazione", 7, 7, 292, 188),
           LeftText(IDC_STATIC,
                    L"L'installazione \u00e8 stata completata correttamente.\nGrazie per aver scelto il nostro "
                    L"software.",
                    16, 26, 270, 20),
           LeftText(IDC_STATIC, L"Premere Fine per uscire dall'installazione.", 16, 63, 270, 10),
       }},
  };
  return pages;
}

// clang-format on

}  // namespace resources_test
