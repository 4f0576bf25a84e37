#pragma once
// Brazilian document numbers: checks of the numbers typed by the operator, punctuation of
// CPF/CNPJ text and the check digits the export and the DARF need.
//
// Stored forms: CPF 11 digits, CNPJ 14, CAEPF 14, NIT/PIS/PASEP 11, receipt number 12,
// NIRF 8, RENAVAM 11 (leading zeros). A combined CPF/CNPJ field is 18 characters wide and
// holds the punctuated text: "nnn.nnn.nnn-nn" + 4 blanks, or "nn.nnn.nnn/nnnn-nn".
//
// Every check returns a util::Check (notice.h): `ok` is the field check's result and
// `notices` the message boxes to show with AVISOSN(lines, mode), all in mode 8 (error).
// A required field left empty is rejected without a message. Texts are CP850.
// Characters that are not digits count as 0 wherever digits are weighed.
#include <string>
#include <string_view>

#include "util/notice.h"

namespace util {

// Kinds of VAL_CPF.
inline constexpr int kCpf = 0;
inline constexpr int kCpfOrName = 1;  // picking a declaration: an empty CPF lets a name be typed
inline constexpr int kCaepf = 2;

// CPF (characters 1–9 base, 10–11 check digits), CPF-or-name or CAEPF (1–12 base, 13–14).
// Kind 1: an empty CPF is accepted even when required (the caller clears the name beside it
// so that a name may be typed), an incomplete one is rejected without a message.
Check VAL_CPF(std::string_view number, bool required, int kind = kCpf);
// CNPJ (characters 1–12 base, 13–14 check digits).
Check VAL_CGC(std::string_view number, bool required);
// A combined CPF/CNPJ field: punctuated with POEPONTO (plain), then classified by its shape
// (a "." at character 10: NIT, accepted as it is; "." or blank at 4: CPF; "." at 3: CNPJ;
// anything else: the four-line shape message) and checked as VAL_CPF / VAL_CGC.
Check CPFCGC(std::string_view text, bool required);
// The same for a field of the current record: when the field is filled, its punctuated text
// is written back into `field` before the check (whatever the check's outcome).
Check CPFCGC1(std::string& field, bool required);

// Payment codes (field I6_3) that admit only a CNPJ / only a CPF as payee.
bool TIPOPJ(int payment_code);
bool TIPOPF(int payment_code);

// Punctuation of CPF/CNPJ text. Mode 1 (payee of a payment record, whose code is
// `payment_code`): a TIPOPJ code takes only a CNPJ ("Só é permitido CNPJ" and 11 blanks for
// 11 digits, otherwise the digits through "@R 99.999.999/9999-99"); a TIPOPF code only a CPF
// ("Só é permitido CPF" and 14 blanks for 14 digits, otherwise "@R 999.999.999-99" + 4
// blanks); other codes as CONTAPONTO. Other modes: already punctuated text unchanged,
// everything else as CONTAPONTO.
TextNotice POEPONTO(std::string_view text, int mode, int payment_code = 0);
// 14 characters -> "nn.nnn.nnn/nnnn-nn", 11 -> "nnn.nnn.nnn-nn" + 4 blanks; empty, already
// punctuated or other lengths unchanged; a text not starting with a digit is returned
// unchanged with "Nesse campo só deve ser digitado números!".
TextNotice CONTAPONTO(std::string_view text);
// The digits of the trimmed text in order; a text without digits gives one blank.
std::string TIRA_PONTO(std::string_view text);

// NIT/PIS/PASEP, punctuation allowed; empty is accepted.
Check VAL_NIT(std::string_view number);
// One check digit over the trimmed digit string, weights n+1 … 2 from the left; 10 and 11
// become `substitute`. Empty input gives "".
std::string MODULO_11(std::string_view digits, char substitute);
// NIRF: character 8 is MODULO_11 of characters 1–7 with substitute 0. Empty is accepted.
Check VENIRF(std::string_view nirf);
// RENAVAM: the field is read as a number and written back as 11 digits with leading zeros,
// then its 11th digit is checked. Empty is accepted. A number of more than 11 digits is
// rejected and the field left as it was.
Check VERENAVAM(std::string& field);
// Receipt number of a declaration: characters 11–12 must be the two MODULO_11 digits
// (substitute 0) of characters 1–10; blank check digits are filled in and accepted.
// Empty is accepted.
Check VENROREC(std::string& field);
// The two reference digits of a children's or elderly fund from its CNPJ (punctuation
// allowed): MODULO_11 with substitute 1, twice.
std::string DVFUNDO(std::string_view cnpj);
// E-mail address: local part, host and suffix of at least 3, 3 and 2 characters, none of
// them holding a blank or * & % $ # @ ! ^ ~ + = ? | \ / < > , ; . Empty is accepted.
Check CHECKEMAIL(std::string_view email);

// Check digits as two characters, from the base digits (CPF 9, CNPJ 12, CAEPF 12).
std::string cpf_check_digits(std::string_view base);
std::string cnpj_check_digits(std::string_view base);
std::string caepf_check_digits(std::string_view base);
// Check digit of an NIT/PIS/PASEP (10 base digits) and of a RENAVAM (10 base digits).
char nit_check_digit(std::string_view base);
char renavam_check_digit(std::string_view base);

}  // namespace util
