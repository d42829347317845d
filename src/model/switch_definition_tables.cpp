// The definition tables of every model, one table per switch bank, one row per pair: bit, ON text,
// OFF text, the models whose table holds the pair. A model that no row of a bit names shows
// "Reserve" for that bit. Texts are the printers' own wording, typing errors and trailing blanks
// included ("80mn", "Enalbe", "adn", "Busy condition - Disable ").
#include "model/switch_definitions.h"

namespace kestrova {

namespace {

using namespace models;

// Bank SW1, tab "Switch 1".
const std::vector<DefinitionRow>& BankSW1() {
  static const std::vector<DefinitionRow> rows = {
      {1, "Baud Rate", "Baud Rate", {RT3200, RT5500, RT6100, RT4300, KD240, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503, MV7120SK}},
      {1, "Download MCU - RX", "Download MCU - ARM", {RT3206, RT3207}},
      {1, "Interface", "Interface", {KD250}},
      {2, "Baud Rate", "Baud Rate", {RT3200, RT5500, RT6100, RT4300, KD240, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503, MV7120SK}},
      {2, "Interface - WiFi", "Interface - LAN", {RT3206, RT3207}},
      {2, "Interface", "Interface", {KD250}},
      {3, "USB Class - Virtual COM", "USB Class - Printer Class", {RT5500E, RT6400K, RT5503}},
      {3, "Cut Paper after Cover Return - Disable", "Cut Paper after Cover Return - Enable", {MV7500, RT3206, RT3207}},
      {3, "Printable width - 576dots", "Printable width - 512dots", {RT3200, KD240}},
      {3, "Paper width", "Paper width", {RT5500, RT6100}},
      {3, "Interface select - Onboard", "Interface select - DEFAULT / daughter board", {RT4300}},
      {3, "printable width - 80mm 576dots/58mm center 424dots/58mm right 432dots", "printable width - 80mm 512dots/58mm center 432dots/58mm right 424dots", {KD250}},
      {3, "COM", "USB", {RT5602}},
      {3, "Printer width - 576dots", "Printer width - 512dots", {RT5502}},
      {3, "USB_CDC - Printer Class", "USB_CDC - VCOM", {MV7120SK}},
      {4, "Paper width - 58mm", "Paper width - 80mm", {RT3200, KD240, KD250, RT5502}},
      {4, "Onboard Interface", "Onboard Interface", {RT5600, RT4300X, RT5503}},
      {4, "Paper width", "Paper width", {RT5500, RT6100}},
      {4, "Onboard Interface - Serial", "Onboard Interface - USB", {RT4300, RT6400K}},
      {4, "Full Cut Paper - Enable", "Full Cut Paper - Disable", {RT3206, RT3207}},
      {4, "Interface select - USB Interface Only", "Interface select - Default or Daughter Board", {RT5500E}},
      {4, "USB_COM - Disable", "USB_COM - Enable", {MV7120SK}},
      {5, "Print Speed - 200mm/s", "Print Speed - 170mm/s", {RT3200, KD240, KD250}},
      {5, "Onboard Interface", "Onboard Interface", {RT5600, RT4300X, RT5503}},
      {5, "Busy condition - Disable", "Busy condition - Enable", {MV7500, RT3206, RT3207}},
      {5, "Print Speed - 180", "Print Speed - 220", {RT5500}},
      {5, "Paper width", "Paper width", {RT6100}},
      {5, "USB Class - CDC", "USB Class - Printer Class", {RT4300}},
      {5, "Interface select - Serial", "Interface select - USB", {RT5502}},
      {5, "Printer width - 576dots", "Printer width - 512dots", {RT5500E}},
      {5, "Paper width & printable width", "Paper width & printable width", {RT6400K}},
      {5, "Cut Paper after Cover Return - Disable", "Cut Paper after Cover Return - Enable", {MV7120SK}},
      {6, "Interface - USB", "Interface - Default", {RT3200, RT5500, RT6100, KD240}},
      {6, "USB Class - VCOM", "USB Class - Printer Class", {RT5600, RT4300X, RT5602}},
      {6, "Before Cut Paper - Cut and without paper feed", "Before Cut Paper - Normal Cut", {MV7500, RT3206, RT3207}},
      {6, "printable width - 576 dots", "printable width - 512 dots", {RT4300}},
      {6, "58mm Paper-width Alignment - right", "58mm Paper-width Alignment - center", {KD250}},
      {6, "USB Class - Virtual COM", "USB Class - Printer Class", {RT5502}},
      {6, "Paper width - 58mm", "Paper width - 80mm", {RT5500E}},
      {6, "Paper width & printable width", "Paper width & printable width", {RT6400K}},
      {6, "Printer width - 576dots", "Printer width - 512dots", {RT5503}},
      {6, "Off line busy - Disable", "Off line busy - Enable", {MV7120SK}},
      {7, "Auto cutter - Disable", "Auto cutter - Enable", {RT3200, RT5500, RT6100, KD240, KD250, RT5502, RT5500E, MV7500, RT3206, RT3207}},
      {7, "Printable width - 576dots", "Printable width - 512dots", {RT5600, RT4300X, RT5602}},
      {7, "Paper width - 58mm", "Paper width - 80mm", {RT4300, RT5503}},
      {7, "Paper width & printable width", "Paper width & printable width", {RT6400K}},
      {7, "Before Cut Paper - Cut and without paper feed", "Before Cut Paper - Normal Cut", {MV7120SK}},
      {8, "Auto cutter - Disable", "Auto cutter - Enable", {RT4300, RT6400K, RT5503, MV7120SK}},
      {8, "Paper width - 58mm", "Paper width - 80mm", {RT5600, RT4300X, RT5602}},
      {8, "Firmware update mode - Enable", "Firmware update mode - Disable(Fixed to OFF)", {RT3200, RT5500}},
      {8, "Firmware update Mode - Enable", "Firmware update Mode - Disable (Fixed to OFF)", {RT3206, RT3207}},
      {8, "Firmware update mode - Enable", "Firmware update mode - Disable (Fixed to OFF)", {RT6100}},
      {8, "", "", {KD240}},
      {8, "Undefined", "Undefined", {KD250}},
      {8, "Printer PID - For RT5500", "Printer PID - Default", {RT5500E}},
      {8, "USB condition - NAK packet", "USB condition - Zero packet", {MV7500}},
  };
  return rows;
}

// Bank SW2, tab "Switch 2".
const std::vector<DefinitionRow>& BankSW2() {
  static const std::vector<DefinitionRow> rows = {
      {1, "Paper Feed Back - Disable", "Paper Feed Back - Enable", {RT3200, RT6100, KD240, KD250, RT6400K}},
      {1, "Paper Feed Back - Enable", "Paper Feed Back - Disable", {RT4300, RT5600, RT4300X, RT5602, MV7120SK}},
      {1, "Software Switch Selection - Set Hardware Switch 1 Invalid", "Software Switch Selection - Set Hardware Switch 1 Valid", {RT3206, RT3207}},
      {2, "Cut Paper after Cover Return - Disable", "Cut Paper after Cover Return - Enable", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {2, "Paper width - 58mm", "Paper width - 80mm", {MV7500, MV7120SK}},
      {2, "Paper width - 58mm", "Paper width - 80mn", {RT3206, RT3207}},
      {3, "Full Cut Paper - Enable", "Full Cut Paper - Disable", {RT3200, RT6100, RT4300, RT4300X, RT6400K}},
      {3, "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print", {RT5600, RT5602, RT5502, RT5500E, RT5503}},
      {3, "Printable width - 576dots", "Printable width - 512dots", {MV7500, MV7120SK, RT3206, RT3207}},
      {3, "Full Cut Paper - Disable", "Full Cut Paper - Enable", {KD240, KD250}},
      {3, "Usb packet - NAK packet", "Usb packet - Zero packet", {RT5500}},
      {4, "Before Cut Paper - Cut and without paper feed", "Before Cut Paper - Normal Cut", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {4, "Paper Feed Back - Disable", "Paper Feed Back - Enable", {RT3206, RT3207}},
      {4, "Paper Feed Back - Enable", "Paper Feed Back - Disable", {MV7500}},
      {4, "Parity Check - EVEN", "Parity Check - NONE", {MV7120SK}},
      {5, "Busy condition - Disable", "Busy condition - Enable", {RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT6400K}},
      {5, "Busy condition - Disable ", "Busy condition - Enable", {RT3200, RT5500, RT5502, RT5500E, RT5503}},
      {5, "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print", {RT3206, RT3207}},
      {5, "Handshaking - XON/XOFF", "Handshaking - DTR/DSR ", {MV7120SK}},
      {6, "< CR > Auto Line Feed - Enable", "< CR > Auto Line Feed - Disable", {RT3200, RT5500, RT6100, RT4300, KD250, RT4300X, RT5502, RT5500E, RT6400K, RT5503}},
      {6, "< CR > Auto Line Feed - Disable", "< CR > Auto Line Feed - Enable", {RT5600, RT5602}},
      {6, "Print Speed", "Print Speed", {MV7500, MV7120SK}},
      {6, "Parity Check - EVEN", "Parity Check - NONE", {RT3206, RT3207}},
      {6, "< CR > Auto Line Feed - Enalbe", "< CR > Auto Line Feed - Disable", {KD240}},
      {7, "Parity Check - EVEN", "Parity Check - NONE", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {7, "Print Speed", "Print Speed", {MV7500, MV7120SK}},
      {7, "Handshaking - XON/XOFF", "Handshaking - DTR/DSR", {RT3206, RT3207}},
      {8, "Handshaking - XON/XOFF", "Handshaking - DTR/DSR", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {8, "< CR > Auto Line Feed - Enable", "< CR > Auto Line Feed - Disable", {MV7500, RT3206, RT3207}},
      {8, "Ignore0D - Enable", "Ignore0D - Disable", {MV7120SK}},
  };
  return rows;
}

// Bank SW3, tab "Switch 3".
const std::vector<DefinitionRow>& BankSW3() {
  static const std::vector<DefinitionRow> rows = {
      {1, "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print ", {RT3200, RT5500, RT4300, KD240, KD250}},
      {1, "Print Speed", "Print Speed", {RT5600, RT5602, RT5502, RT5500E, RT5503}},
      {1, "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print", {RT6100, RT4300X, RT6400K}},
      {1, "UPOS Write - Enable", "UPOS Write - Disable", {MV7500, RT3206, RT3207}},
      // MV7120SK has the UPOS write option at the same bit as MV7500, with the same sense.
      {1, "UPOS Write - Enable", "UPOS Write - Disable", {MV7120SK}},
      {2, "Print Speed", "Print Speed", {RT6100, RT5600, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {2, "Beep Sound after Cut paper - Enable", "Beep Sound after Cut paper - Disable", {MV7500, RT3206, RT3207}},
      {2, "High Quality Print ( 120 mm/s ) - Enable", "High Quality Print ( 120 mm/s ) - Disable", {RT3200, KD240}},
      {2, "Print Speed - 200 mm/s", "Print Speed - 170 mm/s", {RT4300}},
      {2, "Reserved", "Reserved", {KD250}},
      {2, "Print Speed - 200mm/s", "Print Speed - 170mm/s", {RT4300X}},
      {2, "Beep Sound - Enable", "Beep Sound - Disable", {MV7120SK}},
      {3, "Thai Font mode - 3 PASS", "Thai Font mode - 1 PASS", {RT3200, RT4300, KD240, KD250, RT5600, RT4300X, RT5602}},
      {3, "Print Density", "Print Density", {MV7500, MV7120SK, RT3206, RT3207}},
      {3, "Thai Font mode - 3 Pass", "Thai Font mode - 1 Pass", {RT5502, RT5500E, RT5503}},
      {3, "Print Speed", "Print Speed", {RT6100, RT6400K}},
      {4, "UPOS Write - Enable", "UPOS Write - Disable", {RT4300, KD240, KD250, RT5600, RT4300X, RT5602}},
      {4, "UPOS Write - Disable", "UPOS Write - Enable", {RT3200, RT5502, RT5500E, RT5503}},
      {4, "Print Density", "Print Density", {MV7500, MV7120SK, RT3206, RT3207}},
      {4, "Print Speed", "Print Speed", {RT6100, RT6400K}},
      {5, "Print Density", "Print Density", kAllModels},
      {6, "Print Density", "Print Density", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {6, "Print Speed - 200mm/s", "Print Speed - 170mm/s", {RT3206, RT3207}},
      {6, "Full Auto Change Line - Enable", "Full Auto Change Line - Disable", {MV7120SK}},
      {7, "Print Density", "Print Density", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {7, "Thai Font mode - 3 PASS", "Thai Font mode - 1 PASS", {MV7500, MV7120SK, RT3206, RT3207}},
      {8, "Print Density", "Print Density", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT4300X, RT5502, RT5500E, RT5503}},
      {8, "Cover Open Message - Enable", "Cover Open Message - Disable", {MV7500, RT3206, RT3207}},
      {8, "Auto cutter - Disable", "Auto cutter - Enable", {RT5600, RT5602}},
      {8, "Thai Font mode - 3 PASS", "Thai Font mode - 1 PASS", {RT6400K}},
      {8, "In Form Beep - Enable", "In Form Beep - Disable", {MV7120SK}},
  };
  return rows;
}

// Bank SW4, tab "Switch 4".
const std::vector<DefinitionRow>& BankSW4() {
  static const std::vector<DefinitionRow> rows = {
      {1, "Beep Sound after Cut paper - Enable", "Beep Sound after Cut paper - Disable", {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT5600, RT4300X, RT5602, RT5502, RT5500E, RT6400K, RT5503}},
      {1, "Print Speed 120mm/s - Enable", "Print Speed 120mm/s - Disable", {RT3206, RT3207}},
      {1, "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print", {MV7120SK}},
      {2, "Barcode Height Reduction", "Barcode Height Reduction", kAllModels},
      {3, "Barcode Height Reduction", "Barcode Height Reduction", kAllModels},
      {4, "Line Space Reduction", "Line Space Reduction", kAllModels},
      {5, "Line Space Reduction", "Line Space Reduction", kAllModels},
      {6, "Line Feed Reduction", "Line Feed Reduction", kAllModels},
      {7, "Line Feed Reduction", "Line Feed Reduction", kAllModels},
      {8, "Switch 1 Selection - NAK packet", "Switch 1 Selection - Zero packet", {RT4300, KD250, RT5600, RT4300X, RT5602}},
      {8, "Switch 1 Selection - Software", "Switch 1 Selection - Hardware", {RT3200, RT5500, RT6100, KD240}},
      {8, "Usb packet - NAK packet", "Usb packet - Zero packet", {RT5502, RT5500E, RT6400K, RT5503}},
      {8, "ASCII V 0 - Enable", "ASCII V 0 - Disable", {RT3206, RT3207}},
      {8, "USB condition - NAK packet", "USB condition - Zero packet", {MV7120SK}},
  };
  return rows;
}

// Bank SW5, tab "Switch 5".
const std::vector<DefinitionRow>& BankSW5() {
  static const std::vector<DefinitionRow> rows = {
      {1, "Printer PID - For RT5600", "Printer PID - Default", {RT5503}},
      {1, "ASCII V0 - Enable", "ASCII V0 - Disable", {MV7120SK}},
      {2, "Print Density and Speed", "Print Density and Speed", {RT3206, RT3207}},
      {2, "Printer PID - For RT5500", "Printer PID - Default", {RT5503}},
      {2, "Close Auto Logo - Enable", "Close Auto Logo - Disable", {MV7120SK}},
      {3, "Print Density adn Speed", "Print Density and Speed", {RT3206, RT3207}},
      {3, "Paper Near End Warning Sound - Disable", "Paper Near End Warning Sound - Enable", {RT5500}},
      {3, "No beep sound when Paper Near End", "Make beeping sound when Paper Near End", {RT4300}},
      {3, "Enable DLE Protect - Enable", "Enable DLE Protect - Disable", {MV7120SK}},
      {4, "Paper Near End Warning Sound - Disable", "Paper Near End Warning Sound - Enable", {RT3206, RT3207}},
      {4, "Paper Out Warning Sound - Disable", "Paper Out Warning Sound - Enable", {RT5500}},
      {4, "No beep sound when Paper Out", "Keep on beeping when Paper Out", {RT4300}},
      {5, "Paper Out Warning Sound - Disable", "Paper Out Warning Sound - Enable", {RT3206, RT3207}},
      {5, "Cutter Beep - Six beeps", "Cutter Beep - Normal", {RT5500}},
      {6, "Reserve", "Reserve", kAllModels},
      {7, "Reserve", "Reserve", kAllModels},
      {8, "Reserve", "Reserve", kAllModels},
  };
  return rows;
}

}  // namespace

const std::vector<DefinitionRow>& DefinitionBank(int n) {
  switch (n) {
    case 1: return BankSW1();
    case 2: return BankSW2();
    case 3: return BankSW3();
    case 4: return BankSW4();
    case 5: return BankSW5();
    default: {
      static const std::vector<DefinitionRow> none;
      return none;
    }
  }
}

}  // namespace kestrova
