// The dispatcher: one action method per code; codes without an action do nothing.
#include "ini/actions/ActionEngine.h"

namespace kz {

STDMETHODIMP IniFileHandler::Pals(IFHPALSParamA* code, BSTR* b, long* c, VARIANT* d, VARIANT* process_var,
                                  VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  long empty_code = 0;
  // The action receives the code as its first argument, by reference like the others.
  long* a = code ? reinterpret_cast<long*>(code) : &empty_code;
  switch (*a) {
    case kelzudIFHPalsCENVVAR: return PalsCENVVAR(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCREGK: return PalsCREGK(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCSFNF: return PalsASCSFNF(a, b, c, d, process_var, ret);
    case kelzudIFHPalsASFFONT: return PalsASFFONT(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCSFNFA:
    case kelzudIFHPalsCSCMDA: return PalsFILEASSOCIATION(a, b, c, d, process_var, ret);
    case kelzudIFHPalsSSEXEAW: return PalsSSEXEA(a, b, c, d, process_var, ret);
    case kelzudIFHPalsFormMap1: return PalsFormMap1(a, b, c, d, process_var, ret);
    case kelzudIFHPalsFormMap2: return PalsFormMap2(a, b, c, d, process_var, ret);
    case kelzudIFHPalsSINI: return PalsSIni(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCSFLINKEX: return PalsRCplDtopEntries(a, b, c, d, process_var, ret);
    case kelzudIFHPalsEREGBAK: return PalsEREGBAK(a, b, c, d, process_var, ret);
    case kelzudIFHPalsIREGBAK: return PalsIREGBAK(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCSHORCUT: return PalsCreateShorCuts(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCSFILES: return PalsCSFILES(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCMODIFYREGENVPATH: return PalsCMODIFYREGENVPATH(a, b, c, d, process_var, ret);
    case kelzudIFHPalsSSEXENOWAIT: return PalsSSEXENOWAIT(a, b, c, d, process_var, ret);
    case kelzudIFHPalsCDBTableFld: return PalsCDBTableFld(a, b, c, d, process_var, ret);
    default: return S_OK;  // no action for this code
  }
}

// Actions that do nothing by design.
STDMETHODIMP IniFileHandler::PalsRSFFONT(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return S_OK;
}

STDMETHODIMP IniFileHandler::PalsIREGBAK(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return S_OK;
}

}  // namespace kz
