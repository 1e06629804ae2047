/**
 * @file pelorus.h
 * @brief Pelorus: the automation control of the KITEA and KITEB smart-card readers.
 *
 * The control module @c libPelorus.so gives scripts and hosts the reader library Pelorus32 as
 * automation properties and methods. It is component-shaped: objects are reached only through
 * interfaces (tables of function pointers), created by the module's class factories, and found
 * through a per-user registry. The module exports exactly four functions: DllGetClassObject(),
 * DllCanUnloadNow(), DllRegisterServer() and DllUnregisterServer().
 *
 * @par Interfaces
 * Every interface is a struct whose first member @c lpVtbl points at its table of functions; every
 * table starts with the three functions of IUnknown. A function is called with the interface
 * pointer as its first argument: @code obj->lpVtbl->Release(obj); @endcode
 * The control object (class CLSID_Pelorus) has IUnknown, IDispatch (also asked for by
 * DIID__DPelorus), IPersistPropertyBag, IViewObject and ISpecifyPropertyPages. The property page
 * object (CLSID_PelorusPropPage) has IUnknown and IPropertyPage.
 *
 * @par Reference counts
 * An interface pointer handed out (by QueryInterface, CreateInstance, DllGetClassObject) carries
 * one reference; Release it when done. An object is destroyed with its last reference. Releasing
 * the control closes its reader if it is still open. DllCanUnloadNow() answers S_OK only while no
 * object lives, no class factory reference is held and no LockServer(TRUE) is outstanding.
 *
 * @par Threads
 * The control is apartment-threaded: call an object only from the thread that created it, one
 * call at a time. Different objects may live on different threads.
 *
 * @par Strings
 * Strings are UTF-8 and NUL-terminated. A string handed out in a VARIANT belongs to the receiver,
 * who frees it with VariantClear() (it is allocated with malloc()); a string passed in is only
 * read during the call.
 *
 * @par The registry
 * DllRegisterServer() writes plain text files under @c $XDG_DATA_HOME/pelorus/ (default
 * @c ~/.local/share/pelorus/): @c progid/<ProgID>, @c clsid/<{CLSID}> and
 * @c typelib/<{LIBID}>/1.0/ (the registration and the type library written out readably). Each
 * file is a list of @c Name=Value lines; lines starting with @c # are comments.
 *
 * @par Example
 * @code
 * IClassFactory* factory = NULL;
 * IDispatch* control = NULL;
 * if (DllGetClassObject(&CLSID_Pelorus, &IID_IClassFactory, (void**)&factory) == S_OK) {
 *     factory->lpVtbl->CreateInstance(factory, NULL, &IID_IDispatch, (void**)&control);
 *     factory->lpVtbl->Release(factory);
 * }
 * const char* name = "QXOpen";
 * DISPID id;
 * VARIANT result;
 * VariantInit(&result);
 * if (control->lpVtbl->GetIDsOfNames(control, &name, 1, &id) == S_OK &&
 *     control->lpVtbl->Invoke(control, id, DISPATCH_METHOD, NULL, 0, &result) == S_OK)
 *     printf("QXOpen: %d\n", result.lVal);
 * control->lpVtbl->Release(control);
 * @endcode
 */
#ifndef PELORUS_H
#define PELORUS_H

#include <stdint.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define PELORUS_API __attribute__((visibility("default")))
#else
#define PELORUS_API
#endif

/** @name Result codes
 *  Signed 32-bit; the failure codes have the top bit set. The values are those of the platform
 *  whose component model this interface follows. @{ */
typedef int32_t HRESULT;
#define PELORUS_HRESULT(value) ((HRESULT)(uint32_t)(value))
#define S_OK PELORUS_HRESULT(0x00000000)     /**< success */
#define S_FALSE PELORUS_HRESULT(0x00000001)  /**< success, answer "no" (DllCanUnloadNow, IsDirty) */
#define E_NOTIMPL PELORUS_HRESULT(0x80004001)
#define E_NOINTERFACE PELORUS_HRESULT(0x80004002) /**< the object has no interface of that identifier */
#define E_POINTER PELORUS_HRESULT(0x80004003)     /**< a required pointer argument is NULL */
#define E_FAIL PELORUS_HRESULT(0x80004005)        /**< failure without a code of its own (no display for a dialog) */
#define E_UNEXPECTED PELORUS_HRESULT(0x8000FFFF)  /**< an unexpected internal failure */
#define E_OUTOFMEMORY PELORUS_HRESULT(0x8007000E)
#define E_INVALIDARG PELORUS_HRESULT(0x80070057)  /**< a bad argument; IPropertyBag::Read: no such property */
#define CLASS_E_NOAGGREGATION PELORUS_HRESULT(0x80040110)     /**< CreateInstance with an outer object */
#define CLASS_E_CLASSNOTAVAILABLE PELORUS_HRESULT(0x80040111) /**< DllGetClassObject: not a class of the module */
#define SELFREG_E_TYPELIB PELORUS_HRESULT(0x80040200) /**< the type library could not be (un)registered */
#define SELFREG_E_CLASS PELORUS_HRESULT(0x80040201)   /**< a class could not be (un)registered */
#define DISP_E_MEMBERNOTFOUND PELORUS_HRESULT(0x80020003) /**< no such identifier, or not for that kind of call */
#define DISP_E_TYPEMISMATCH PELORUS_HRESULT(0x80020005)   /**< an argument cannot be taken as the member's type */
#define DISP_E_UNKNOWNNAME PELORUS_HRESULT(0x80020006)    /**< GetIDsOfNames: a name not known */
#define DISP_E_OVERFLOW PELORUS_HRESULT(0x8002000A)       /**< an argument out of the range of the member's type */
#define DISP_E_BADPARAMCOUNT PELORUS_HRESULT(0x8002000E)  /**< the wrong number of arguments */
#define CTL_E_SETNOTSUPPORTED PELORUS_HRESULT(0x800A017F) /**< writing a read-only property */
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
/** @} */

/** @brief A 128-bit identifier of a class, an interface or a type library. */
typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;

/** @name Identifiers
 *  Written as in the registry, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}. @{ */
#define PELORUS_DEFINE_GUID(name, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7) \
    static const GUID name = {d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}}
/** {00000000-0000-0000-C000-000000000046} */
PELORUS_DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
/** {00000001-0000-0000-C000-000000000046} */
PELORUS_DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
/** {1F7161B4-8EFA-4E1F-B03A-548368FE6CF4} */
PELORUS_DEFINE_GUID(IID_IDispatch, 0x1F7161B4, 0x8EFA, 0x4E1F, 0xB0, 0x3A, 0x54, 0x83, 0x68, 0xFE, 0x6C, 0xF4);
/** {2C22509B-A5F5-4E7B-8B59-F863881B26B3} */
PELORUS_DEFINE_GUID(IID_IPersistPropertyBag, 0x2C22509B, 0xA5F5, 0x4E7B, 0x8B, 0x59, 0xF8, 0x63, 0x88, 0x1B, 0x26, 0xB3);
/** {BE8B21B7-57FA-4D5B-9E41-5D2D89F554D6} */
PELORUS_DEFINE_GUID(IID_IPropertyBag, 0xBE8B21B7, 0x57FA, 0x4D5B, 0x9E, 0x41, 0x5D, 0x2D, 0x89, 0xF5, 0x54, 0xD6);
/** {A352BB8A-A018-4F7B-B09B-743E5459AB9C} */
PELORUS_DEFINE_GUID(IID_IViewObject, 0xA352BB8A, 0xA018, 0x4F7B, 0xB0, 0x9B, 0x74, 0x3E, 0x54, 0x59, 0xAB, 0x9C);
/** {1A887F59-1116-402D-B8DD-E8D55253277A} */
PELORUS_DEFINE_GUID(IID_ISpecifyPropertyPages, 0x1A887F59, 0x1116, 0x402D, 0xB8, 0xDD, 0xE8, 0xD5, 0x52, 0x53, 0x27, 0x7A);
/** {76D088DB-02C3-42B6-88EF-5B70120825F8} */
PELORUS_DEFINE_GUID(IID_IPropertyPage, 0x76D088DB, 0x02C3, 0x42B6, 0x88, 0xEF, 0x5B, 0x70, 0x12, 0x08, 0x25, 0xF8);
/** The type library PelorusLib 1.0: {934A095E-0548-4AAF-B730-7A38B0852E51} */
PELORUS_DEFINE_GUID(LIBID_PelorusLib, 0x934A095E, 0x0548, 0x4AAF, 0xB7, 0x30, 0x7A, 0x38, 0xB0, 0x85, 0x2E, 0x51);
/** The dispatch interface _DPelorus: {5BF377D2-D7EE-4994-B4DE-7ECC1692805E} */
PELORUS_DEFINE_GUID(DIID__DPelorus, 0x5BF377D2, 0xD7EE, 0x4994, 0xB4, 0xDE, 0x7E, 0xCC, 0x16, 0x92, 0x80, 0x5E);
/** The event interface _DPelorusEvents (no members): {0F6BCF2B-0E17-4512-80E7-7FFEB56DF903} */
PELORUS_DEFINE_GUID(DIID__DPelorusEvents, 0x0F6BCF2B, 0x0E17, 0x4512, 0x80, 0xE7, 0x7F, 0xFE, 0xB5, 0x6D, 0xF9, 0x03);
/** The control, ProgID "Pelorus.PelorusCtrl.1": {3CE2AEB8-6DA5-408C-9350-CAD548EBBC10} */
PELORUS_DEFINE_GUID(CLSID_Pelorus, 0x3CE2AEB8, 0x6DA5, 0x408C, 0x93, 0x50, 0xCA, 0xD5, 0x48, 0xEB, 0xBC, 0x10);
/** The property page, ProgID "Pelorus.PelorusPropPage.1": {12B3F76B-4D26-41FD-AE01-A1637AFF0C03} */
PELORUS_DEFINE_GUID(CLSID_PelorusPropPage, 0x12B3F76B, 0x4D26, 0x41FD, 0xAE, 0x01, 0xA1, 0x63, 0x7A, 0xFF, 0x0C, 0x03);
/** @} */

/** @name VARIANT: a value of one of four types
 *  @c vt says which member of the union holds the value. @{ */
typedef uint16_t VARTYPE;
#define VT_EMPTY 0 /**< no value */
#define VT_I2 2    /**< iVal: signed 16-bit integer */
#define VT_I4 3    /**< lVal: signed 32-bit integer */
#define VT_BSTR 8  /**< bstrVal: UTF-8 string, NUL-terminated (NULL reads as the empty string) */
#define VT_BOOL 11 /**< boolVal: VARIANT_TRUE or VARIANT_FALSE */
typedef int16_t VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef struct VARIANT {
    VARTYPE vt;
    uint16_t wReserved[3];
    union {
        int16_t iVal;
        int32_t lVal;
        VARIANT_BOOL boolVal;
        char *bstrVal;
    };
} VARIANT;

/** Makes v empty. */
static inline void VariantInit(VARIANT *v) {
    v->vt = VT_EMPTY;
    v->wReserved[0] = v->wReserved[1] = v->wReserved[2] = 0;
    v->bstrVal = NULL;
}
/** Frees what v owns (its string) and makes it empty. */
static inline void VariantClear(VARIANT *v) {
    if (v->vt == VT_BSTR) free(v->bstrVal);
    VariantInit(v);
}
/** @} */

/** @name Dispatch identifiers of _DPelorus (see IDispatch)
 *  The type library lists the members in this order: the twenty plain properties, then the
 *  methods and the properties with an argument by identifier, then AboutBox. @{ */
typedef int32_t DISPID;
#define DISPID_UNKNOWN (-1)
#define DISPID_ReaderType 1       /**< i16 (RTYPEENUM), read/write, persisted; default 255 */
#define DISPID_ReaderPort 2       /**< i16 (COMENUM), read/write, persisted; default 1 */
#define DISPID_CardType 3         /**< i16 (CTYPEENUM), read/write, persisted; default 0 */
#define DISPID_ATR 4              /**< string: the last session start's answer to reset, "%02X" per byte */
#define DISPID_CLA 5              /**< i16: command class (low byte sent) */
#define DISPID_INS 6              /**< i16: instruction (low byte sent) */
#define DISPID_Lc 7               /**< i16: number of DataIn bytes (low byte used: 300 sends 44, -1 sends 255) */
#define DISPID_Le 8               /**< i16: in: expected length (low byte sent); after an exchange: bytes received */
#define DISPID_P1 9               /**< i16 (low byte sent) */
#define DISPID_P2 10              /**< i16 (low byte sent) */
#define DISPID_SW1 11             /**< i16: first status byte of the last successful exchange */
#define DISPID_SW2 12             /**< i16: second status byte of the last successful exchange */
#define DISPID_FWRevision 13      /**< string, read-only: firmware revision of the stored information */
#define DISPID_MaxC 14            /**< i16, read-only: low 16 bits of the stored MaxC */
#define DISPID_MaxR 15            /**< i16, read-only: low 16 bits of the stored MaxR */
#define DISPID_CardInserted 16    /**< bool, read-only: refreshes the information, then CardStatus bit 0 */
#define DISPID_CardHavePower 17   /**< bool, read-only: refreshes the information, then CardStatus bit 1 */
#define DISPID_LibraryVersion 18  /**< i16, read-only: low 16 bits of the stored LibraryVersion */
#define DISPID_CurrentBaudRate 19 /**< i32, read-only: BaudRate of the stored information */
#define DISPID_CurrentCardGroup 20 /**< i16, read-only: refreshes the information, then CurrentCardType */
#define DISPID_QXOpen 21          /**< method, i32: closes an open reader, QX_Open(ReaderType, ReaderPort) */
#define DISPID_QXClose 22         /**< method, i32: closes the reader; always 0 */
#define DISPID_QXStartSession 23  /**< method, i32: QX_StartSession(CardType); fills ATR; -1 without reader */
#define DISPID_QXEndSession 24    /**< method, i32: QX_EndSession; -1 without reader */
#define DISPID_QXExchangeAPDU 25  /**< method, i32: sends CLA INS P1 P2 Lc DataIn Le; fills Le, DataOut, SW1, SW2 */
#define DISPID_DataIn 26          /**< i16 property with argument index (i16): -1 outside 0 to 255 */
#define DISPID_DataOut 27         /**< i16 property with argument index (i16): -1 outside 0 to 255 */
#define DISPID_SupportCardGroup 28 /**< bool, read-only, argument CardGroup (i16): bit (CardGroup mod 32) of the mask */
#define DISPID_ABOUTBOX (-552)    /**< method AboutBox: shows the About box (needs a display) */
/** @} */

/** @name Kinds of call (IDispatch::Invoke flags) @{ */
#define DISPATCH_METHOD 1
#define DISPATCH_PROPERTYGET 2
#define DISPATCH_PROPERTYPUT 4
/** @} */

typedef struct IUnknown IUnknown;
typedef struct IClassFactory IClassFactory;
typedef struct IDispatch IDispatch;
typedef struct IPropertyBag IPropertyBag;
typedef struct IPersistPropertyBag IPersistPropertyBag;
typedef struct IViewObject IViewObject;
typedef struct ISpecifyPropertyPages ISpecifyPropertyPages;
typedef struct IPropertyPage IPropertyPage;

#define PELORUS_IUNKNOWN_METHODS(Interface)                                          \
    /** Gives another interface of the object (with a reference), or E_NOINTERFACE. */ \
    HRESULT (*QueryInterface)(Interface * self, const IID *iid, void **object);      \
    /** Adds a reference; returns the new count (for information only). */            \
    uint32_t (*AddRef)(Interface * self);                                             \
    /** Drops a reference; the object goes with its last. Returns the new count. */   \
    uint32_t (*Release)(Interface * self)

/** @brief The base of every interface. */
typedef struct IUnknownVtbl {
    PELORUS_IUNKNOWN_METHODS(IUnknown);
} IUnknownVtbl;
struct IUnknown {
    const IUnknownVtbl *lpVtbl;
};

/** @brief Creates the objects of one class (from DllGetClassObject()). */
typedef struct IClassFactoryVtbl {
    PELORUS_IUNKNOWN_METHODS(IClassFactory);
    /** Creates an object and gives its interface iid. outer must be NULL (CLASS_E_NOAGGREGATION);
     *  an unknown iid gives E_NOINTERFACE and creates nothing that lives on. */
    HRESULT (*CreateInstance)(IClassFactory *self, IUnknown *outer, const IID *iid, void **object);
    /** lock nonzero keeps the module from unloading (DllCanUnloadNow() answers S_FALSE) until
     *  the same number of calls with lock 0; an unlock without a lock is ignored. */
    HRESULT (*LockServer)(IClassFactory *self, int32_t lock);
} IClassFactoryVtbl;
struct IClassFactory {
    const IClassFactoryVtbl *lpVtbl;
};

/**
 * @brief Late binding: members by name and identifier.
 *
 * Invoke() calls member id:
 * - a method with DISPATCH_METHOD and no arguments;
 * - a property get with DISPATCH_PROPERTYGET (DISPATCH_METHOD | DISPATCH_PROPERTYGET is taken as
 *   a get too), with the property's argument for DataIn, DataOut and SupportCardGroup;
 * - a property put with DISPATCH_PROPERTYPUT, the new value the last argument (after the index).
 *
 * Arguments come in their natural order, first argument first. They are converted to the
 * member's type: an integer type takes VT_I2, VT_I4 and VT_BOOL (-1 or 0), DISP_E_OVERFLOW when
 * out of its range; a bool takes VT_BOOL, VT_I2 and VT_I4 (nonzero is true); a string takes
 * VT_BSTR only; anything else is DISP_E_TYPEMISMATCH. The result, when result is not NULL, is
 * VT_I2, VT_I4, VT_BOOL or VT_BSTR as the member's type says, VT_EMPTY for a put and for
 * AboutBox. On failure nothing is changed and result is VT_EMPTY.
 *
 * Failures: DISP_E_MEMBERNOTFOUND (no such id, or a call of the wrong kind: a put on a method, a
 * method call of a property), DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW,
 * CTL_E_SETNOTSUPPORTED (a put of a read-only property: the property keeps its value),
 * E_POINTER (arguments NULL with a count above 0), E_FAIL (AboutBox without a display).
 * Method results are the reader library's codes, returned as the VT_I4 result with S_OK.
 */
typedef struct IDispatchVtbl {
    PELORUS_IUNKNOWN_METHODS(IDispatch);
    /** names[0] is a member's name, any further names that member's argument names; matching
     *  ignores ASCII case. Fills ids[i] for each (0 for the argument); an unknown name gets
     *  DISPID_UNKNOWN and the call returns DISP_E_UNKNOWNNAME. */
    HRESULT (*GetIDsOfNames)(IDispatch *self, const char *const *names, uint32_t count, DISPID *ids);
    HRESULT (*Invoke)(IDispatch *self, DISPID id, uint16_t flags, const VARIANT *args, uint32_t arg_count,
                      VARIANT *result);
} IDispatchVtbl;
struct IDispatch {
    const IDispatchVtbl *lpVtbl;
};

/**
 * @brief A host's store of named values, which the control saves into and loads from.
 *
 * The host implements it. Read() fills value (the host allocates a string with malloc(); the
 * control frees it) and returns S_OK, or E_INVALIDARG when the bag has no such property. Write()
 * stores a copy of value.
 */
typedef struct IPropertyBagVtbl {
    PELORUS_IUNKNOWN_METHODS(IPropertyBag);
    HRESULT (*Read)(IPropertyBag *self, const char *name, VARIANT *value);
    HRESULT (*Write)(IPropertyBag *self, const char *name, const VARIANT *value);
} IPropertyBagVtbl;
struct IPropertyBag {
    const IPropertyBagVtbl *lpVtbl;
};

/**
 * @brief Persistence of the control's "ReaderPort", "ReaderType" and "CardType".
 *
 * Save() writes, in this order, "_Version" (VT_I4 0x00010000: data version 1.0), "ReaderPort",
 * "ReaderType" and "CardType" (VT_I2 each). Load() reads the three; one the bag does not have
 * takes its default (ReaderPort 1, ReaderType 255, CardType 0). A value that is not an integer
 * gives DISP_E_TYPEMISMATCH, one outside -32768 to 32767 DISP_E_OVERFLOW, another failure of Read()
 * is returned as it is; in each case no property changes. InitNew() resets the three to their
 * defaults. The control is modified (IsDirty() answers S_OK) after writes of the three properties
 * and of DataIn or DataOut elements, until InitNew(), Load() or a successful Save() with
 * clear_dirty nonzero; otherwise IsDirty() answers S_FALSE.
 */
typedef struct IPersistPropertyBagVtbl {
    PELORUS_IUNKNOWN_METHODS(IPersistPropertyBag);
    HRESULT (*GetClassID)(IPersistPropertyBag *self, CLSID *clsid);
    HRESULT (*InitNew)(IPersistPropertyBag *self);
    HRESULT (*Load)(IPersistPropertyBag *self, IPropertyBag *bag);
    HRESULT (*Save)(IPersistPropertyBag *self, IPropertyBag *bag, int32_t clear_dirty);
    HRESULT (*IsDirty)(IPersistPropertyBag *self);
} IPersistPropertyBagVtbl;
struct IPersistPropertyBag {
    const IPersistPropertyBagVtbl *lpVtbl;
};

/** @brief A rectangle in pixels; right and bottom are exclusive. */
typedef struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} RECT;

/**
 * @brief The control's design-time picture, drawn into a caller's pixel buffer.
 *
 * Draw() fills bounds with white, then copies the control's 16 x 15 picture unscaled to the top
 * left corner of bounds. pixels holds height rows of stride bytes, 4 bytes a pixel in the order
 * R, G, B, A (every pixel drawn gets A = 255). Only pixels inside both bounds and the buffer are
 * written. E_POINTER for a NULL pixels or bounds; E_INVALIDARG for a width or height below 1 or a
 * stride below 4 x width.
 */
typedef struct IViewObjectVtbl {
    PELORUS_IUNKNOWN_METHODS(IViewObject);
    HRESULT (*Draw)(IViewObject *self, uint8_t *pixels, int32_t width, int32_t height, int32_t stride,
                    const RECT *bounds);
} IViewObjectVtbl;
struct IViewObject {
    const IViewObjectVtbl *lpVtbl;
};

/** @brief The property pages a control names: the control names exactly CLSID_PelorusPropPage. */
typedef struct ISpecifyPropertyPagesVtbl {
    PELORUS_IUNKNOWN_METHODS(ISpecifyPropertyPages);
    /** Sets *count to the number of pages and writes up to capacity of their class identifiers. */
    HRESULT (*GetPages)(ISpecifyPropertyPages *self, CLSID *pages, uint32_t capacity, uint32_t *count);
} ISpecifyPropertyPagesVtbl;
struct ISpecifyPropertyPages {
    const ISpecifyPropertyPagesVtbl *lpVtbl;
};

/** @brief What a property page is: its caption and its size in dialog units. */
typedef struct PROPPAGEINFO {
    const char *title; /**< "General"; the module's own text, valid while the module is loaded */
    int32_t width;     /**< dialog units */
    int32_t height;    /**< dialog units */
} PROPPAGEINFO;

/**
 * @brief The control's property page ("General"), which shows that there are no properties to set.
 *
 * SetObjects() takes the objects the page is for and exchanges no data with them; Apply() has
 * nothing to apply; IsPageDirty() answers S_FALSE. Show() runs the page as a modal dialog and
 * returns when it is closed: E_FAIL without a display.
 */
typedef struct IPropertyPageVtbl {
    PELORUS_IUNKNOWN_METHODS(IPropertyPage);
    HRESULT (*GetPageInfo)(IPropertyPage *self, PROPPAGEINFO *info);
    HRESULT (*SetObjects)(IPropertyPage *self, uint32_t count, IUnknown **objects);
    HRESULT (*Show)(IPropertyPage *self);
    HRESULT (*Apply)(IPropertyPage *self);
    HRESULT (*IsPageDirty)(IPropertyPage *self);
} IPropertyPageVtbl;
struct IPropertyPage {
    const IPropertyPageVtbl *lpVtbl;
};

/** @name The module's exports @{ */
/** Gives the class factory of clsid (CLSID_Pelorus or CLSID_PelorusPropPage) as interface iid
 *  (IID_IClassFactory or IID_IUnknown). E_POINTER, CLASS_E_CLASSNOTAVAILABLE, E_NOINTERFACE. */
PELORUS_API HRESULT DllGetClassObject(const CLSID *clsid, const IID *iid, void **object);
/** S_OK when no object lives, no factory reference is held and no lock is outstanding; else S_FALSE. */
PELORUS_API HRESULT DllCanUnloadNow(void);
/** Registers the type library (SELFREG_E_TYPELIB on failure), then the control class and the
 *  property page class (SELFREG_E_CLASS on failure); stops at the first failing step and does not
 *  undo the steps before it. S_OK when all are registered. */
PELORUS_API HRESULT DllRegisterServer(void);
/** Unregisters the type library (SELFREG_E_TYPELIB when it is not registered or cannot be
 *  removed), then both classes (SELFREG_E_CLASS when an entry cannot be removed); stops at the
 *  first failing step. S_OK when all is gone. */
PELORUS_API HRESULT DllUnregisterServer(void);
/** @} */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* PELORUS_H */
