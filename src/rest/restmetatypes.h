#ifndef REST_RESTMETATYPES_H
#define REST_RESTMETATYPES_H

// Registers every record, and a QList of each, with Qt's type system by name,
// so that they can travel through queued connections, QMetaObject::invokeMethod
// and QVariant. Safe to call more than once.
void registerRestMetaTypes();

#endif // REST_RESTMETATYPES_H
